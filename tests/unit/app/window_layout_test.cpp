#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/window_layout.h"
#include "textutil/codepage.h"

namespace pelko {
namespace {

std::string Name(const ControlRow& row) {
    return "row of control " + std::to_string(static_cast<int>(row.control)) + " (" +
           AnsiToUtf8(row.caption) + ")";
}

bool Overlap(const LayoutRect& a, const LayoutRect& b) {
    return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

bool Inside(const LayoutRect& inner, const LayoutRect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.Right() <= outer.Right() &&
           inner.Bottom() <= outer.Bottom();
}

// True when `row` sits in `group`, directly or through other group boxes.
bool Holds(const ControlRow& group, const ControlRow& row) {
    for (std::optional<Control> in = row.in; in;) {
        if (*in == group.control) return true;
        const ControlRow* next = FindRow(*in);
        if (!next || next == &row) return false;
        in = next->in;
    }
    return false;
}

TEST(WindowLayoutTest, EveryControlHasExactlyOneRow) {
    // The enumerators run from 0 without gaps, so the rows must name each of
    // 0 .. rows-1 once; a control left out or listed twice breaks that.
    const auto rows = LayoutRows();
    std::set<int> seen;
    for (const ControlRow& row : rows) {
        EXPECT_TRUE(seen.insert(static_cast<int>(row.control)).second) << Name(row) << " is listed twice";
        EXPECT_EQ(FindRow(row.control), &row);
        EXPECT_EQ(&rows[RowIndex(row.control)], &row);
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), static_cast<int>(rows.size()) - 1);
}

TEST(WindowLayoutTest, RowsSitInsideAnEarlierGroupBox) {
    const auto rows = LayoutRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        const ControlRow& row = rows[i];
        EXPECT_GT(row.rect.w, 0) << Name(row);
        EXPECT_GT(row.rect.h, 0) << Name(row);
        if (!row.in) continue;
        size_t g = RowIndex(*row.in);
        ASSERT_LT(g, i) << Name(row) << " sits in a group box that is not created before it";
        EXPECT_EQ(rows[g].kind, ControlKind::GroupBox) << Name(row) << " sits in a control that is no group box";
        EXPECT_TRUE(Inside(ClientRect(row), ClientRect(rows[g]))) << Name(row) << " reaches out of its group box";
    }
}

TEST(WindowLayoutTest, RowsOverlapOnlyTheGroupBoxesHoldingThem) {
    const auto rows = LayoutRows();
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t j = i + 1; j < rows.size(); ++j) {
            if (!Overlap(ClientRect(rows[i]), ClientRect(rows[j]))) continue;
            EXPECT_TRUE(Holds(rows[i], rows[j]) || Holds(rows[j], rows[i]))
                << Name(rows[i]) << " and " << Name(rows[j]) << " cover each other";
        }
}

TEST(WindowLayoutTest, EachButtonRaisesItsOwnEvent) {
    std::string raised;
    WindowEvents events;
    events.created = [&] { raised = "created"; };
    events.restoreDefaults = [&] { raised = "restoreDefaults"; };
    events.saveSettings = [&] { raised = "saveSettings"; };
    events.toggleMonitoring = [&] { raised = "toggleMonitoring"; };
    events.testPush = [&] { raised = "testPush"; };

    const struct {
        Control button;
        const char* event;
    } kCases[] = {
        {Control::按钮_恢复默认, "restoreDefaults"},
        {Control::按钮_保存设置, "saveSettings"},
        {Control::按钮_开始监控, "toggleMonitoring"},
        {Control::按钮_测试推送, "testPush"},
    };
    for (const auto& c : kCases) {
        const ControlRow* row = FindRow(c.button);
        ASSERT_NE(row, nullptr);
        ASSERT_TRUE(row->raises) << Name(*row);
        raised.clear();
        (events.*row->raises)();
        EXPECT_EQ(raised, c.event) << Name(*row);
    }
    // A button without an event would be dead; anything else raising one
    // would be a row of the wrong kind.
    for (const ControlRow& row : LayoutRows())
        EXPECT_EQ(row.kind == ControlKind::Button, row.raises != nullptr) << Name(row);
}

TEST(WindowLayoutTest, GroupOffsetsAddUpAndTheWindowFitsTheRows) {
    // One row per depth of nesting, in client-area pixels; the window tests
    // click at these places.
    const struct {
        Control control;
        LayoutRect client;
    } kCases[] = {
        {Control::分组框2, {8, 201, 352, 238}},
        {Control::编辑框_关键词, {16, 33, 336, 144}},
        {Control::按钮_开始监控, {232, 287, 108, 24}},
        {Control::编辑框_Server酱, {91, 372, 251, 24}},
        {Control::按钮_测试推送, {262, 403, 80, 24}},
        {Control::标签_状态, {8, 443, 352, 36}},
    };
    for (const auto& c : kCases) {
        const ControlRow* row = FindRow(c.control);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(ClientRect(*row), c.client) << Name(*row);
    }
    EXPECT_EQ(WindowClientSize(), (LayoutSize{364, 483}));
    EXPECT_EQ(WindowOuterSize(), (LayoutSize{370, 517}));
    EXPECT_EQ(WindowTitle(), "Pelko爆料监控");
}

}  // namespace
}  // namespace pelko

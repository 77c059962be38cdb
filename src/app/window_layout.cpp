#include "app/window_layout.h"

#include <algorithm>

namespace pelko {

namespace {

using K = ControlKind;
using C = Control;

constexpr ControlRow kRows[] = {
    {C::分组框1, K::GroupBox, {}, {8, 9, 352, 184}, "关键词监控"},
    {C::编辑框_关键词, K::MultiLineEditBox, C::分组框1, {8, 24, 336, 144}, ""},

    {C::分组框2, K::GroupBox, {}, {8, 201, 352, 238}, "监控设置"},
    {C::透明标签2, K::Label, C::分组框2, {16, 20, 32, 24}, "数量:"},
    {C::编辑框_扫描数量, K::NumberBox, C::分组框2, {64, 20, 136, 24}, ""},
    {C::透明标签3, K::Label, C::分组框2, {16, 53, 32, 24}, "间隔:"},
    {C::编辑框_间隔时间, K::NumberBox, C::分组框2, {64, 53, 136, 24}, ""},
    {C::透明标签4, K::Label, C::分组框2, {16, 86, 32, 24}, "分割:"},
    {C::编辑框_分割符号, K::EditBox, C::分组框2, {64, 86, 136, 24}, ""},
    {C::按钮_恢复默认, K::Button, C::分组框2, {224, 18, 108, 24}, "恢复默认", &WindowEvents::restoreDefaults},
    {C::按钮_保存设置, K::Button, C::分组框2, {224, 52, 108, 24}, "保存设置", &WindowEvents::saveSettings},
    {C::按钮_开始监控, K::Button, C::分组框2, {224, 86, 108, 24}, "开始监控", &WindowEvents::toggleMonitoring},

    {C::分组框3, K::GroupBox, C::分组框2, {4, 123, 344, 111}, "推送设置"},
    {C::透明标签5, K::Label, C::分组框3, {14, 17, 60, 24}, "钉钉推送:"},
    {C::编辑框_推送, K::EditBox, C::分组框3, {79, 17, 251, 24}, ""},
    {C::透明标签1, K::Label, C::分组框3, {14, 48, 60, 24}, "Server酱:"},
    {C::编辑框_Server酱, K::EditBox, C::分组框3, {79, 48, 251, 24}, ""},
    {C::透明标签6, K::Label, C::分组框3, {14, 79, 60, 24}, "钉钉加签:"},
    {C::编辑框_钉钉加签, K::EditBox, C::分组框3, {79, 79, 165, 24}, ""},
    {C::按钮_测试推送, K::Button, C::分组框3, {250, 79, 80, 24}, "测试推送", &WindowEvents::testPush},

    // Below everything, so nothing above moves when it appears.
    {C::标签_状态, K::StatusText, {}, {8, 443, 352, 36}, ""},
};

constexpr int kClientMargin = 4;
constexpr LayoutSize kFrame{3 + 3, 31 + 3};

}  // namespace

std::span<const ControlRow> LayoutRows() { return kRows; }

size_t RowIndex(Control control) {
    for (size_t i = 0; i < std::size(kRows); ++i)
        if (kRows[i].control == control) return i;
    return std::size(kRows);
}

const ControlRow* FindRow(Control control) {
    size_t i = RowIndex(control);
    return i < std::size(kRows) ? &kRows[i] : nullptr;
}

LayoutRect ClientRect(const ControlRow& row) {
    LayoutRect r = row.rect;
    // Bounded, so a table whose group boxes hold each other cannot hang the
    // window; the layout test rejects such a table.
    std::optional<Control> in = row.in;
    for (size_t depth = 0; in && depth < std::size(kRows); ++depth) {
        const ControlRow* parent = FindRow(*in);
        if (!parent) break;
        r.x += parent->rect.x;
        r.y += parent->rect.y;
        in = parent->in;
    }
    return r;
}

Text WindowTitle() { return "Pelko爆料监控"; }

LayoutSize WindowClientSize() {
    LayoutSize s;
    for (const ControlRow& row : kRows) {
        LayoutRect r = ClientRect(row);
        s.w = std::max(s.w, r.Right() + kClientMargin);
        s.h = std::max(s.h, r.Bottom() + kClientMargin);
    }
    return s;
}

LayoutSize WindowOuterSize() {
    LayoutSize c = WindowClientSize();
    return {c.w + kFrame.w, c.h + kFrame.h};
}

}  // namespace pelko

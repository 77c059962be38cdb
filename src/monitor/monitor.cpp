#include "monitor/monitor.h"

#include "config/services.h"
#include "monitor/feed.h"
#include "monitor/store.h"
#include "notify/push.h"

namespace pelko {

namespace {

const char kIdleCaption[] = "开始监控";
const char kBusyCaption[] = "停止监控";

constexpr Control kLockedControls[] = {
    Control::编辑框_关键词, Control::编辑框_扫描数量, Control::编辑框_间隔时间, Control::编辑框_分割符号,
    Control::编辑框_推送,   Control::按钮_保存设置,   Control::按钮_恢复默认,   Control::编辑框_Server酱,
};

void SetLocked(Window& window, bool locked) {
    for (Control c : kLockedControls) window.SetEnabled(c, !locked);
}

}  // namespace

PassObserver& NoObserver() {
    static PassObserver none;
    return none;
}

void ToggleMonitoring(Window& window, PassObserver& observer) {
    if (CompareText(window.GetCaption(Control::按钮_开始监控), kIdleCaption) != 0) {
        // The loop further out on the stack ends when its wait is over.
        window.SetCaption(Control::按钮_开始监控, kIdleCaption);
        SetLocked(window, false);
        return;
    }
    window.SetCaption(Control::按钮_开始监控, kBusyCaption);
    SetLocked(window, true);
    for (;;) {
        if (!window.IsDisabled(Control::按钮_保存设置) || window.IsClosed()) return;
        Text keywords = window.GetText(Control::编辑框_关键词);
        Text scanCount = window.GetText(Control::编辑框_扫描数量);
        Text separator = window.GetText(Control::编辑框_分割符号);
        observer.OnPassDone(RunMonitorPass(window, keywords, scanCount, separator, observer));
        if (window.IsClosed()) return;
        WaitWithEvents(window, TextToInt(window.GetText(Control::编辑框_间隔时间)), 1);
    }
}

PassSummary RunMonitorPass(Window& window, const Text& keywordText, const Text& scanCount, const Text& separator,
                           PassObserver& observer) {
    PassSummary summary;
    ApplyConfiguredLimits();
    TextArray keywords = SplitKeywords(keywordText, separator);
    FeedItemList items;
    for (const Text& keyword : keywords) {
        // A windowless run may be told to stop; it then ends between requests.
        if (window.IsClosed()) break;
        ++summary.keywords;
        Text rows = QueryFeed(keyword, scanCount, items);
        if (TextToInt(rows) > 0) summary.rows += TextToInt(rows);
        for (const FeedItem& item : items) {
            if (IsReported(item)) continue;
            if (window.IsClosed()) break;
            // The boxes are read at each push, so an edit reaches the next report.
            const PushKeys keys{window.GetText(Control::编辑框_推送), window.GetText(Control::编辑框_Server酱)};
            int sent = PushReport(keys, item.article_mall, item.article_title, item.article_subtitle,
                                  item.publish_date_lt, item.article_referrals, item.article_url, item.article_pic);
            MarkReported(item);
            ++summary.newReports;
            summary.pushesSent += sent;
            observer.OnNewReport(item, sent);
        }
        FlushReported();
    }
    FlushReported();
    return summary;
}

TextArray SplitKeywords(const Text& keywordText, const Text& separator) {
    TextArray keywords;
    for (Text& piece : SplitText(keywordText, separator.empty() ? Text(",") : separator))
        if (!piece.empty()) keywords.push_back(std::move(piece));
    return keywords;
}

bool WaitWithEvents(Window& window, int32_t count, int64_t unit) {
    double perUnit = unit == 0 ? 1.0 : unit == 1 ? 1000.0 : unit == 2 ? 60000.0 : unit == 3 ? 3600000.0
                                                                                           : static_cast<double>(unit);
    double due = static_cast<double>(count) * perUnit * -10000.0;
    // Clamp before truncating: a double beyond int64 has no defined conversion.
    if (due < -9.2e18) due = -9.2e18;
    if (due > 9.2e18) due = 9.2e18;
    window.WaitDispatching(static_cast<int64_t>(due));
    return true;
}

}  // namespace pelko

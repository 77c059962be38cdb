#include "monitor/monitor.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "config/chrono.h"
#include "config/services.h"
#include "http/visit_pool.h"
#include "monitor/deliveries.h"
#include "monitor/feed.h"
#include "monitor/instance_lock.h"
#include "monitor/outbox.h"
#include "monitor/store.h"

namespace pelko {

namespace {

const char kIdleCaption[] = "开始监控";
const char kBusyCaption[] = "停止监控";

constexpr Control kLockedControls[] = {
    Control::编辑框_关键词, Control::编辑框_扫描数量, Control::编辑框_间隔时间, Control::编辑框_分割符号,
    Control::编辑框_推送,   Control::按钮_保存设置,   Control::按钮_恢复默认,   Control::编辑框_Server酱,
    Control::编辑框_钉钉加签, Control::按钮_测试推送,
};

void SetLocked(Window& window, bool locked) {
    for (Control c : kLockedControls) window.SetEnabled(c, !locked);
}

// Enough to overlap slow answers without looking like a flood to the site.
constexpr size_t kQueriesAtOnce = 4;

// Said once while no push target is set.
bool g_toldNoTarget = false;

PushSettings PushSettingsOf(Window& window) {
    return {window.GetText(Control::编辑框_推送), window.GetText(Control::编辑框_钉钉加签),
            window.GetText(Control::编辑框_Server酱)};
}

// The pause after a pass: at least a second, whatever the box holds, so
// that a zero or a typo cannot turn the loop into a flood of requests.  It
// wakes early for deliveries whose time comes within it.
void PauseDelivering(Window& window, int32_t intervalSeconds, PassObserver& observer) {
    using Clock = std::chrono::steady_clock;
    int64_t leftMs = static_cast<int64_t>(intervalSeconds < 1 ? 1 : intervalSeconds) * 1000;
    auto read = [&] { return PushSettingsOf(window); };
    while (leftMs > 0) {
        int64_t pieceMs = leftMs;
        const int64_t due = NextTimedDelivery(read());
        if (due >= 0) {
            // Not less than a tenth of a second: a delivery that cannot
            // go must not turn the pause into a busy loop.
            pieceMs = std::min(leftMs, std::max<int64_t>(100, due - WallClockMs()));
        }
        const auto started = Clock::now();
        if (pieceMs == leftMs && pieceMs % 1000 == 0 && pieceMs / 1000 <= INT32_MAX)
            WaitWithEvents(window, static_cast<int32_t>(pieceMs / 1000), 1);
        else
            WaitWithEvents(window, static_cast<int32_t>(std::min<int64_t>(pieceMs, INT32_MAX)), 0);
        const int64_t took =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
        leftMs -= std::max(pieceMs, took);
        if (window.IsClosed()) return;
        // Stopped meanwhile: the pause runs out, but nothing more is sent.
        if (!window.IsDisabled(Control::按钮_保存设置)) continue;
        if (leftMs > 0) DeliverDue(RoundKind::Wait, read, observer, [&] { return window.IsClosed(); });
    }
}

}  // namespace

PassObserver& NoObserver() {
    static PassObserver none;
    return none;
}

void ToggleMonitoring(Window& window, PassObserver& observer) {
    if (StartOrStopMonitoring(window)) RunMonitorLoop(window, observer);
}

bool StartOrStopMonitoring(Window& window) {
    if (CompareText(window.GetCaption(Control::按钮_开始监控), kIdleCaption) != 0) {
        // The loop further out ends when it next looks at the window.
        window.SetCaption(Control::按钮_开始监控, kIdleCaption);
        SetLocked(window, false);
        ReleaseMonitorLock();
        return false;
    }
    // Refused when another monitor holds the folder; the window says so.
    if (!AcquireMonitorLock(window)) return false;
    window.SetCaption(Control::按钮_开始监控, kBusyCaption);
    SetLocked(window, true);
    g_toldNoTarget = false;
    return true;
}

void RunMonitorLoop(Window& window, PassObserver& observer) {
    // However the loop ends, nothing monitors any more.
    struct Unlock {
        ~Unlock() { ReleaseMonitorLock(); }
    } unlock;
    for (;;) {
        if (!window.IsDisabled(Control::按钮_保存设置) || window.IsClosed()) return;
        Text keywords = window.GetText(Control::编辑框_关键词);
        Text scanCount = window.GetText(Control::编辑框_扫描数量);
        Text separator = window.GetText(Control::编辑框_分割符号);
        observer.OnPassDone(RunMonitorPass(window, keywords, scanCount, separator, observer));
        if (window.IsClosed()) return;
        PauseDelivering(window, TextToInt(window.GetText(Control::编辑框_间隔时间)), observer);
    }
}

PassSummary RunMonitorPass(Window& window, const Text& keywordText, const Text& scanCount, const Text& separator,
                           PassObserver& observer) {
    PassSummary summary;
    ApplyConfiguredLimits();
    TextArray keywords = SplitKeywords(keywordText, separator);
    observer.OnPassStart(keywords);
    auto read = [&] { return PushSettingsOf(window); };
    auto stop = [&] { return window.IsClosed(); };
    if (read().any()) {
        g_toldNoTarget = false;
    } else if (!g_toldNoTarget) {
        g_toldNoTarget = true;
        observer.OnNoPushTarget();
    }

    BeginDeliveryPass();
    // What waits from before goes first: deliveries leave in report order.
    summary.accepted += DeliverDue(RoundKind::Pass, read, observer, stop);
    // The keywords are asked a few at a time, but their answers are read,
    // and their reports pushed and marked, in keyword order, as if they had
    // been asked one after the other.
    std::vector<PreparedVisit> queries;
    for (const Text& keyword : keywords) queries.push_back(PrepareFeedQuery(keyword, scanCount));
    VisitPool pool(std::move(queries), kQueriesAtOnce);
    FeedItemList items;
    for (const Text& keyword : keywords) {
        // A windowless run may be told to stop; it then ends between keywords.
        if (window.IsClosed()) break;
        ++summary.keywords;
        summary.askedKeywords.push_back(keyword);
        Text failure;
        const PreparedVisit& query = pool.Visit(summary.askedKeywords.size() - 1);
        Text rows = ReadFeedAnswer(query, pool.TakeNext(), scanCount, items, &failure);
        if (rows == "-1") {
            ++summary.failedKeywords;
            observer.OnKeywordFailed(keyword, failure);
        }
        if (TextToInt(rows) > 0) summary.rows += TextToInt(rows);
        const PushSettings settings = read();
        const int64_t now = WallClockMs();
        bool found = false;
        for (const FeedItem& item : items) {
            if (IsReported(item)) continue;
            QueueReport(item, settings, now);
            MarkReported(item);
            ++summary.newReports;
            found = true;
            observer.OnNewReport(item);
        }
        if (!found) continue;
        // The outbox first: once it holds the deliveries, the marks may go
        // to the store, and a kill between the two loses nothing.
        CurrentOutbox().Save();
        FlushReported();
        observer.OnOutboxChanged(WaitingDeliveries());
        summary.accepted += DeliverDue(RoundKind::Pass, read, observer, stop);
    }
    FlushReported();
    // What is delivered from now on comes late.
    CurrentOutbox().Age();
    summary.waiting = WaitingDeliveries();
    return summary;
}

TextArray SplitKeywords(const Text& keywordText, const Text& separator) {
    // Each line of the box is a keyword too, whatever the separator: a
    // keyword with a line break inside would match nothing.
    const Text cut = separator.empty() ? Text(",") : separator;
    TextArray keywords;
    size_t start = 0;
    auto lineEnd = [&](size_t from) { return keywordText.find_first_of("\r\n", from); };
    for (size_t end = lineEnd(0);; end = lineEnd(start)) {
        const Text line = keywordText.substr(start, end == Text::npos ? Text::npos : end - start);
        for (Text& piece : SplitText(line, cut))
            if (!piece.empty()) keywords.push_back(std::move(piece));
        if (end == Text::npos) break;
        start = end + 1;
    }
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

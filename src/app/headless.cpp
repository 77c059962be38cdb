#include "app/headless.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>

#include "app/settings.h"
#include "app/stop_signal.h"
#include "config/paths.h"
#include "monitor/deliveries.h"
#include "monitor/feed.h"
#include "monitor/monitor.h"
#include "monitor/observer.h"
#include "monitor/window.h"
#include "textutil/clock_os.h"
#include "textutil/codepage.h"

namespace pelko {

namespace {

Text TimeText(int64_t unixSeconds, bool withDate) {
    CivilTime t;
    if (!os::LocalTimeOf(unixSeconds, t)) return {};
    char buf[32];
    if (withDate)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                      t.second);
    else
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

Text Now() { return TimeText(static_cast<int64_t>(std::time(nullptr)), true); }

// A moment to come: the time alone today, with the date otherwise.
Text AtText(int64_t unixMs) {
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    const Text day = TimeText(now, true).substr(0, 10);
    const Text at = TimeText(unixMs / 1000, true);
    return at.substr(0, 10) == day ? at.substr(11) : at;
}

Text Ago(int64_t ms) {
    const int64_t minutes = ms / 60000;
    if (minutes < 1) return ToText(ms / 1000) + " s";
    if (minutes < 120) return ToText(minutes) + " min";
    return ToText(minutes / 60) + " h";
}

enum class Severity { Normal, Warning, Error };

// Output is UTF-8 whatever the program's own code page.  Failures go to
// stderr; under the system journal (JOURNAL_STREAM set) they carry its
// priority prefix, so they show as warnings and errors there.
void PrintLine(const Text& line, Severity severity = Severity::Normal) {
    FILE* stream = severity == Severity::Normal ? stdout : stderr;
    Text out;
    const char* journal = std::getenv("JOURNAL_STREAM");
    if (severity != Severity::Normal && journal && *journal) out = severity == Severity::Error ? "<3>" : "<4>";
    out += AnsiToUtf8(line) + "\n";
    std::fwrite(out.data(), 1, out.size(), stream);
    std::fflush(stream);
}

Text ReportText(const FeedItem& item) { return "[" + item.article_mall + "] " + item.article_title; }

// The window's boxes and states without a window.  The settings come from
// config.ini, read again after every wait so a running monitor picks up edits.
// It prints what each pass did.
class HeadlessWindow : public Window, public PassObserver {
public:
    explicit HeadlessWindow(bool once) : once_(once) { Reload(); }

    Text GetText(Control box) override { return texts_[box]; }
    void SetText(Control box, const Text& text) override { texts_[box] = text; }
    Text GetCaption(Control button) override { return texts_[button]; }
    void SetCaption(Control button, const Text& caption) override { texts_[button] = caption; }
    void SetEnabled(Control control, bool enabled) override { disabled_[control] = !enabled; }
    bool IsDisabled(Control control) override { return disabled_[control]; }
    void ProcessEvents() override {}
    void WaitDispatching(int64_t due100ns) override {
        if (once_ || IsClosed()) {
            closed_ = true;
            return;
        }
        int64_t ms = due100ns < 0 ? -due100ns / 10000 : 0;
        if (SleepUnlessStopped(ms)) closed_ = true;
        else Reload();
    }
    bool IsClosed() override { return closed_ || StopRequested(); }
    void ShowMessage(const Text& text) override {
        Text out = "pelko-monitor: " + AnsiToUtf8(text) + "\n";
        std::fwrite(out.data(), 1, out.size(), stderr);
        std::fflush(stderr);
    }

    void OnPassDone(const PassSummary& s) override {
        Text asked;
        for (const Text& k : s.askedKeywords) asked += (asked.empty() ? "" : ", ") + k;
        PrintLine(Now() + " pass: keywords " + ToText(s.keywords) + " (" + asked + ")" +
                  (s.failedKeywords ? ", failed " + ToText(s.failedKeywords) : Text()) + ", rows " + ToText(s.rows) +
                  ", new reports " + ToText(s.newReports) + ", accepted " + ToText(s.accepted) + ", waiting " +
                  ToText(s.waiting));
    }
    void OnNoPushTarget() override { PrintLine(Now() + " no push target set: new reports are only remembered"); }
    void OnKeywordFailed(const Text& keyword, const Text& reason) override {
        PrintLine(Now() + " keyword failed: " + keyword + ": " + reason, Severity::Warning);
    }
    void OnNewReport(const FeedItem& item) override {
        PrintLine(Now() + " new: [" + item.article_mall + "] " + item.article_title + " " + item.article_subtitle +
                  " " + item.article_url);
    }
    void OnDeliveryFailed(const DeliveryEvent& d) override {
        PrintLine(Now() + " delivery failed: " + TargetName(d.target) + " " + ReportText(d.item) + ": " + d.reason +
                      "; retry " + (d.retryAtMs ? "at " + AtText(d.retryAtMs) : Text("at the next pass")),
                  Severity::Warning);
    }
    void OnLateDelivery(const DeliveryEvent& d) override {
        PrintLine(Now() + " late delivery: " + TargetName(d.target) + " " + ReportText(d.item) + " (" +
                  Ago(WallClockMs() - d.queuedMs) + " after it was found, try " + ToText(d.tries) + ")");
    }
    void OnGiveUp(const DeliveryEvent& d) override {
        PrintLine(Now() + " given up: " + TargetName(d.target) + " " + ReportText(d.item) + " not delivered within " +
                      "24 h (tries: " + ToText(d.tries) + "; last: " + d.reason + ")",
                  Severity::Error);
    }
    void OnHeld(PushTarget target, const Text& reason, int64_t untilMs) override {
        PrintLine(Now() + " holding " + TargetName(target) + " until " + AtText(untilMs) + ": " + reason);
    }

private:
    void Reload() {
        // Missing keys keep the defaults of 恢复默认.
        RestoreDefaults(*this);
        LoadSettings(*this);
    }

    bool once_;
    bool closed_ = false;
    std::map<Control, Text> texts_{{Control::按钮_开始监控, "开始监控"}};
    std::map<Control, bool> disabled_;
};

}  // namespace

int RunHeadless(const HeadlessOptions& options) {
    InstallStopHandler();
    HeadlessWindow window(options.once);
    PrintLine("pelko-monitor " PELKO_VERSION " running without a window; settings from " + ConfigPath());
    ToggleMonitoring(window, window);
    // Monitoring that never began was refused (another monitor holds the folder).
    return CompareText(window.GetCaption(Control::按钮_开始监控), "开始监控") == 0 ? 3 : 0;
}

}  // namespace pelko

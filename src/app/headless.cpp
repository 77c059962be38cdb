#include "app/headless.h"

#include <cstdio>
#include <ctime>
#include <map>

#include "app/settings.h"
#include "app/stop_signal.h"
#include "config/paths.h"
#include "monitor/feed.h"
#include "monitor/monitor.h"
#include "monitor/observer.h"
#include "monitor/window.h"
#include "textutil/clock_os.h"
#include "textutil/codepage.h"
#include "textutil/files_os.h"

namespace pelko {

namespace {

Text Now() {
    CivilTime t;
    if (!os::LocalTimeOf(static_cast<int64_t>(std::time(nullptr)), t)) return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

// Output is UTF-8 whatever the program's own code page.
void PrintLine(const Text& line) {
    Text out = AnsiToUtf8(line) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

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
        PrintLine(Now() + " pass: keywords " + ToText(s.keywords) + " (" + keywordsAsked_ + "), rows " +
                  ToText(s.rows) + ", new reports " + ToText(s.newReports) + ", pushes sent " +
                  ToText(s.pushesSent));
    }
    void OnNewReport(const FeedItem& item, int pushesSent) override {
        PrintLine(Now() + " new: [" + item.article_mall + "] " + item.article_title + " " + item.article_subtitle +
                  " " + item.article_url + " (pushes " + ToText(pushesSent) + ")");
    }

    void NoteKeywords() {
        keywordsAsked_.clear();
        for (const Text& k : SplitKeywords(GetText(Control::编辑框_关键词), GetText(Control::编辑框_分割符号)))
            keywordsAsked_ += (keywordsAsked_.empty() ? "" : ", ") + k;
    }

private:
    void Reload() {
        // Missing keys keep the defaults of 恢复默认.
        RestoreDefaults(*this);
        LoadSettings(*this);
        NoteKeywords();
    }

    bool once_;
    bool closed_ = false;
    Text keywordsAsked_;
    std::map<Control, Text> texts_{{Control::按钮_开始监控, "开始监控"}};
    std::map<Control, bool> disabled_;
};

}  // namespace

int RunHeadless(const HeadlessOptions& options) {
    InstallStopHandler();
    HeadlessWindow window(options.once);
    PrintLine("pelko-monitor " PELKO_VERSION " running without a window; " + DescribeDataFolders());
    os::FileStamp stamp;
    if (!os::StatFile(ConfigPath(), stamp))
        PrintLine("no config.ini found at " + DisplayPath(ConfigPath()) +
                  "; running on the defaults with no push target");
    ToggleMonitoring(window, window);
    // Monitoring that never began was refused (another monitor holds the folder).
    return CompareText(window.GetCaption(Control::按钮_开始监控), "开始监控") == 0 ? 3 : 0;
}

}  // namespace pelko

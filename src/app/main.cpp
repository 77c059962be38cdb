#include <cstdio>
#include <cstring>
#include <string_view>

#include "app/console.h"
#include "app/headless.h"
#include "app/settings.h"
#include "app/status_line.h"
#include "app/test_push.h"
#include "app/window.h"
#include "app/window_thread.h"
#include "monitor/deliveries.h"
#include "monitor/monitor.h"

namespace {

const char kUsage[] =
    "Usage: pelko-monitor [--headless [--once]]\n"
    "\n"
    "Watches the deal list for new reports matching the keywords and pushes each\n"
    "new one once to DingTalk and ServerChan.\n"
    "\n"
    "  (no option)   open the settings window\n"
    "  --headless    run without a window; settings come from config.ini beside\n"
    "                the program, read again before every pass\n"
    "  --once        with --headless: run one pass and exit\n"
    "  --help        show this text\n"
    "  --version     show the version\n";

int RunWindow() {
    using pelko::Control;
    auto window = pelko::CreateMainWindow();
    pelko::Window& w = *window;
    // Calls posted from other threads run at the next tick.
    pelko::WindowThread thread([] {});
    const auto log = pelko::StatusLogFromEnvironment();
    pelko::StatusLine status(
        [&](const pelko::Text& text) {
            w.SetText(Control::标签_状态, text);
            if (log) log(text);
        },
        [&] { return w.GetText(Control::编辑框_间隔时间); }, pelko::WallClockMs);
    pelko::TestPushButton testPush(w, thread, status);
    // The locked 保存设置 is the record of monitoring.
    auto monitoring = [&] { status.SetMonitoring(w.IsDisabled(Control::按钮_保存设置)); };
    pelko::WindowEvents events{
        .created = [&] { pelko::LoadSettings(w); w.SetText(Control::标签_状态, status.Current()); },
        .restoreDefaults = [&] { pelko::RestoreDefaults(w); },
        .saveSettings = [&] { pelko::SaveSettings(w); },
        .toggleMonitoring =
            [&] {
                status.SetMonitoring(!w.IsDisabled(Control::按钮_保存设置));
                pelko::ToggleMonitoring(w, status);
                monitoring();
            },
        .testPush = [&] { testPush.Click(); },
        .everySecond =
            [&] {
                thread.Drain();
                monitoring();
                status.Tick();
            },
    };
    return window->Run(events);
}

}  // namespace

int main(int argc, char** argv) {
    // Whatever an option makes the program print goes to the console it was started from.
    if (argc > 1) pelko::AttachParentConsole();
    bool headless = false;
    pelko::HeadlessOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--headless") {
            headless = true;
        } else if (arg == "--once") {
            options.once = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--version") {
            std::puts("pelko-monitor " PELKO_VERSION);
            return 0;
        } else {
            std::fprintf(stderr, "pelko-monitor: unknown option '%s'\nTry 'pelko-monitor --help'.\n", argv[i]);
            return 2;
        }
    }
    if (options.once && !headless) {
        std::fputs("pelko-monitor: --once needs --headless\nTry 'pelko-monitor --help'.\n", stderr);
        return 2;
    }
    return headless ? pelko::RunHeadless(options) : RunWindow();
}

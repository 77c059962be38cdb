#include <cstdio>
#include <cstring>
#include <string_view>

#include "app/console.h"
#include "app/headless.h"
#include "app/settings.h"
#include "app/window.h"
#include "app/window_thread.h"
#include "http/cancel.h"
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

// The passes run on a worker thread (MonitorRunner), so the window answers
// while they wait on the network; the worker reaches the widgets through
// `thread`, which the window drains whenever the worker wakes it.
int RunWindow() {
    auto window = pelko::CreateMainWindow();
    pelko::Window& w = *window;
    pelko::WindowThread thread([&] { window->Wake(); });
    pelko::MonitorRunner runner(w, thread, pelko::NoObserver(), pelko::CancelRequests, pelko::ResumeRequests);
    pelko::WindowEvents events{
        .created = [&] { pelko::LoadSettings(w); },
        .restoreDefaults = [&] { pelko::RestoreDefaults(w); },
        .saveSettings = [&] { pelko::SaveSettings(w); },
        .toggleMonitoring = [&] { runner.Toggle(); },
        .closing = [&] { runner.Shutdown(); },
        .woken = [&] { thread.Drain(); },
    };
    const int code = window->Run(events);
    runner.Shutdown();
    return code;
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

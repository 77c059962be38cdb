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
#include "config/paths.h"
#include "http/cancel.h"
#include "monitor/deliveries.h"
#include "monitor/monitor.h"
#include "textutil/codepage.h"
#include "textutil/files_os.h"

namespace {

const char kUsage[] =
    "Usage: pelko-monitor [--dir DIR] [--headless [--once]]\n"
    "\n"
    "Watches the deal list for new reports matching the keywords and pushes each\n"
    "new one once to DingTalk and ServerChan.\n"
    "\n"
    "  (no option)   open the settings window\n"
    "  --headless    run without a window; settings come from config.ini, read\n"
    "                again before every pass\n"
    "  --once        with --headless: run one pass and exit\n"
    "  --dir DIR     keep config.ini and 已爆料商品.ini in DIR (made if missing)\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n";

const char kFoldersBesideProgram[] =
    "The files live beside the program unless --dir names another folder.\n";
const char kFoldersElsewhere[] =
    "The files live in the folder named by --dir or else by PELKO_DIR; without\n"
    "either, beside the program when they are there already, or when it can\n"
    "write there and that is no bin folder; else config.ini goes in\n"
    "$XDG_CONFIG_HOME/pelko-monitor (~/.config) and 已爆料商品.ini in\n"
    "$XDG_STATE_HOME/pelko-monitor (~/.local/state).\n";

// Everything the program prints is UTF-8, whatever its own code page.
void Print(std::FILE* stream, const pelko::Text& text) {
    const pelko::Text out = pelko::AnsiToUtf8(text);
    std::fwrite(out.data(), 1, out.size(), stream);
}

int UsageError(const pelko::Text& message) {
    Print(stderr, "pelko-monitor: " + message + "\nTry 'pelko-monitor --help'.\n");
    return 2;
}

// The passes run on a worker thread (MonitorRunner), so the window answers
// while they wait on the network; the worker reaches the widgets through
// `thread`, which the window drains whenever the worker wakes it.
int RunWindow() {
    using pelko::Control;
    auto window = pelko::CreateMainWindow();
    pelko::Window& w = *window;
    pelko::WindowThread thread([&] { window->Wake(); });
    const auto log = pelko::StatusLogFromEnvironment();
    pelko::StatusLine status(
        [&](const pelko::Text& text) {
            w.SetText(Control::标签_状态, text);
            if (log) log(text);
        },
        [&] { return w.GetText(Control::编辑框_间隔时间); }, pelko::WallClockMs);
    pelko::TestPushButton testPush(w, thread, status);
    // The worker's events reach the status line on the window thread.
    pelko::MonitorRunner runner(w, thread, status, pelko::CancelRequests, pelko::ResumeRequests);
    // The locked 保存设置 is the record of monitoring.
    auto monitoring = [&] { status.SetMonitoring(w.IsDisabled(Control::按钮_保存设置)); };
    pelko::WindowEvents events{
        .created = [&] { pelko::LoadSettings(w); w.SetText(Control::标签_状态, status.Current()); },
        .restoreDefaults = [&] { pelko::RestoreDefaults(w); },
        .saveSettings = [&] { pelko::SaveSettings(w); },
        .toggleMonitoring =
            [&] {
                runner.Toggle();
                monitoring();
            },
        .testPush = [&] { testPush.Click(); },
        .everySecond =
            [&] {
                monitoring();
                status.Tick();
            },
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
    bool headless = false, help = false, version = false;
    pelko::HeadlessOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--headless") {
            headless = true;
        } else if (arg == "--once") {
            options.once = true;
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--dir" || arg.starts_with("--dir=")) {
            pelko::Text dir;
            if (arg != "--dir") dir = pelko::ArgumentText(i, argv[i]).substr(6);
            else if (i + 1 < argc) ++i, dir = pelko::ArgumentText(i, argv[i]);
            if (dir.empty()) return UsageError("--dir needs a folder");
            pelko::UseDataDirectory(dir);
        } else {
            return UsageError("unknown option '" + pelko::ArgumentText(i, argv[i]) + "'");
        }
    }
    if (help) {
        Print(stdout, pelko::Text(kUsage) +
                          (pelko::os::KeepsFilesBesideProgram() ? kFoldersBesideProgram : kFoldersElsewhere) +
                          "In use: " + pelko::DescribeDataFolders() + "\n");
        return 0;
    }
    if (version) {
        std::puts("pelko-monitor " PELKO_VERSION);
        return 0;
    }
    if (options.once && !headless) return UsageError("--once needs --headless");
    const pelko::Text problem = pelko::PrepareDataFolders();
    if (!problem.empty()) {
        const pelko::FolderSource source = pelko::DataFolderSource();
        // A folder the user named is one they meant: do not run with another.
        if (source == pelko::FolderSource::Option || source == pelko::FolderSource::Environment) {
            Print(stderr, "pelko-monitor: " + problem + "\n");
            return 1;
        }
        Print(stderr, "pelko-monitor: " + problem + "; settings and reports pushed cannot be kept\n");
    }
    return headless ? pelko::RunHeadless(options) : RunWindow();
}

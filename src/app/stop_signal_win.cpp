// Ctrl+C, Ctrl+Break and closing the console end a windowless run.  The
// handler runs on a thread of its own; an event wakes the sleeping monitor.
#include <windows.h>

#include <atomic>

#include "app/stop_signal.h"
#include "config/chrono.h"

namespace pelko {

namespace {

std::atomic<bool> g_stop{false};
HANDLE g_event = nullptr;  // manual reset: once set, every later wait ends at once
std::atomic<void (*)()> g_onStop{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD type) {
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        g_stop.store(true);
        if (g_event) SetEvent(g_event);
        // The handler runs on a thread of its own: it may do the work itself.
        if (auto onStop = g_onStop.exchange(nullptr)) onStop();
        if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
            // Windows ends the process when the handler returns; give the
            // monitor a moment to finish writing what it has.
            Sleep(2000);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void InstallStopHandler(void (*onStop)()) {
    g_onStop.store(onStop);
    if (!g_event) g_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool StopRequested() { return g_stop.load(); }

bool SleepUnlessStopped(int64_t milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto due = Clock::now() + std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
    while (!g_stop.load()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
        if (left <= 0) return false;
        // INFINITE is 0xFFFFFFFF: stay below it and loop for longer waits.
        DWORD wait = left > 0x7FFFFFFF ? 0x7FFFFFFFu : static_cast<DWORD>(left);
        if (g_event) {
            if (WaitForSingleObject(g_event, wait) == WAIT_FAILED) Sleep(wait < 100 ? wait : 100);
        } else {
            Sleep(wait < 100 ? wait : 100);  // no event: poll the flag
        }
    }
    return true;
}

}  // namespace pelko

#include "app/stop_signal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "config/chrono.h"

namespace pelko {

namespace {

std::atomic<bool> g_stop{false};
int g_pipe[2] = {-1, -1};

void OnSignal(int) {
    g_stop.store(true);
    if (g_pipe[1] >= 0) {
        char c = 1;
        [[maybe_unused]] ssize_t n = write(g_pipe[1], &c, 1);
    }
}

}  // namespace

void InstallStopHandler(void (*onStop)()) {
    if (g_pipe[0] < 0 && pipe(g_pipe) == 0) {
        for (int fd : g_pipe) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    if (onStop && g_pipe[0] >= 0) {
        // The handler may only write the pipe; this watcher does the rest.
        // It only polls, so the pipe stays readable for the sleeps too.
        std::thread([onStop] {
            struct pollfd p {g_pipe[0], POLLIN, 0};
            while (poll(&p, 1, -1) < 0 && errno == EINTR) {
            }
            onStop();
        }).detach();
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    // A second signal takes the default action: a stuck run can still be killed.
    sa.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

bool StopRequested() { return g_stop.load(); }

bool SleepUnlessStopped(int64_t milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto due = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!g_stop.load()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
        if (left <= 0) return false;
        struct pollfd p {g_pipe[0], POLLIN, 0};
        int wait = left > 1000000000 ? 1000000000 : static_cast<int>(left);
        if (poll(&p, g_pipe[0] >= 0 ? 1 : 0, wait) < 0 && errno != EINTR) return g_stop.load();
    }
    return true;
}

}  // namespace pelko

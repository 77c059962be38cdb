// Work that runs beside the window thread and still reads and sets the
// window.  The toolkits allow their widgets to be touched from one thread
// only, so every call of the worker is carried over to the window thread and
// waited for there; the window itself never waits on the network.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "monitor/window.h"

namespace pelko {

// The calls waiting for the window thread.  `wake` asks the window thread,
// from any thread, to call Drain soon; each backend does that through its own
// event loop.
class WindowThread {
public:
    explicit WindowThread(std::function<void()> wake);
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    // Runs `fn` on the window thread and returns once it has run; false,
    // without running it, once Close has been called.  On the window thread
    // itself it runs at once.
    bool Call(const std::function<void()>& fn);
    // Queues `fn` without waiting for it.
    void Post(std::function<void()> fn);

    // Window thread: runs every queued call.
    void Drain();
    // Window thread: runs queued calls until `done` holds (checked after
    // every call and whenever Notify is called), so a worker that still has
    // calls to make can finish while the window thread waits for it.
    void DrainUntil(const std::function<bool()>& done);
    // Any thread: wakes DrainUntil to look at its condition again.
    void Notify();
    // From now on Call and Post do nothing; queued calls are dropped.
    void Close();

private:
    struct Job;
    std::function<void()> wake_;
    std::thread::id owner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job*> jobs_;
    bool closed_ = false;
};

// Set once to end the worker's waits at once.
class StopFlag {
public:
    void Set();
    void Reset();
    bool IsSet() const { return set_.load(); }
    // Sleeps until `milliseconds` have passed or the flag is set; true when it was set.
    bool WaitFor(int64_t milliseconds);

private:
    std::atomic<bool> set_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
};

// The window as the worker sees it: reads and writes go to the window thread,
// the pause between passes sleeps here until its time is up or monitoring is
// stopped, and "closed" means stopped or the window gone.
class WorkerWindow : public Window {
public:
    WorkerWindow(Window& window, WindowThread& thread, StopFlag& stop) : window_(window), thread_(thread), stop_(stop) {}

    Text GetText(Control box) override;
    void SetText(Control box, const Text& text) override;
    Text GetCaption(Control button) override;
    void SetCaption(Control button, const Text& caption) override;
    void SetEnabled(Control control, bool enabled) override;
    bool IsDisabled(Control control) override;
    void ProcessEvents() override {}
    void WaitDispatching(int64_t due100ns) override;
    bool IsClosed() override;
    void ShowMessage(const Text& text) override;

private:
    Window& window_;
    WindowThread& thread_;
    StopFlag& stop_;
};

// Drives monitoring from the click handler of 按钮_开始监控 while the passes
// run on a worker thread.  `cancelRequests` breaks off the requests in flight.
class MonitorRunner {
public:
    MonitorRunner(Window& window, WindowThread& thread, std::function<void()> cancelRequests = {});
    ~MonitorRunner() { Shutdown(); }

    // Window thread: the click.  Starting and stopping show at once; a stop
    // also ends the worker's wait and its request in flight.
    void Toggle();
    // Window thread: the window is gone.  Ends the worker and waits for it,
    // so every mark it was writing is written.
    void Shutdown();
    bool Running() const { return running_.load(); }

private:
    void Join();

    Window& window_;
    WindowThread& thread_;
    std::function<void()> cancelRequests_;
    StopFlag stop_;
    WorkerWindow worker_{window_, thread_, stop_};
    std::thread thread_handle_;
    std::atomic<bool> running_{false};
};

}  // namespace pelko

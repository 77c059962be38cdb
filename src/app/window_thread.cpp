#include "app/window_thread.h"

#include "monitor/monitor.h"

namespace pelko {

struct WindowThread::Job {
    std::function<void()> fn;
    bool done = false;
};

WindowThread::WindowThread(std::function<void()> wake) : wake_(std::move(wake)), owner_(std::this_thread::get_id()) {}

bool WindowThread::Call(const std::function<void()>& fn) {
    if (std::this_thread::get_id() == owner_) {
        fn();
        return true;
    }
    Job job{fn};
    std::unique_lock<std::mutex> lock(mutex_);
    if (closed_) return false;
    jobs_.push_back(&job);
    changed_.notify_all();  // a window thread inside DrainUntil
    lock.unlock();
    wake_();
    lock.lock();
    changed_.wait(lock, [&] { return job.done || closed_; });
    if (!job.done) {
        // Closed before it ran: it must not run later with `job` gone.
        for (auto it = jobs_.begin(); it != jobs_.end(); ++it)
            if (*it == &job) {
                jobs_.erase(it);
                break;
            }
    }
    return job.done;
}

void WindowThread::Post(std::function<void()> fn) {
    auto* job = new Job{std::move(fn)};
    job->done = true;  // nobody waits: Drain deletes it
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) {
            delete job;
            return;
        }
        jobs_.push_back(job);
        changed_.notify_all();
    }
    wake_();
}

void WindowThread::Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!jobs_.empty()) {
        Job* job = jobs_.front();
        jobs_.pop_front();
        const bool posted = job->done;
        lock.unlock();
        job->fn();
        lock.lock();
        if (posted) delete job;
        else job->done = true;
        changed_.notify_all();
    }
}

void WindowThread::DrainUntil(const std::function<bool()>& done) {
    for (;;) {
        Drain();
        std::unique_lock<std::mutex> lock(mutex_);
        if (done()) return;
        // A worker that ends calls Notify; one that calls queues a job.
        changed_.wait_for(lock, std::chrono::milliseconds(100), [&] { return !jobs_.empty() || done(); });
        if (jobs_.empty() && done()) return;
    }
}

void WindowThread::Notify() {
    std::lock_guard<std::mutex> lock(mutex_);
    changed_.notify_all();
}

void WindowThread::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if ((*it)->done) {  // posted: nobody waits for it
            delete *it;
            it = jobs_.erase(it);
        } else {
            ++it;  // its caller removes it when it wakes
        }
    }
    changed_.notify_all();
}

void StopFlag::Set() {
    std::lock_guard<std::mutex> lock(mutex_);
    set_.store(true);
    changed_.notify_all();
}

void StopFlag::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    set_.store(false);
}

bool StopFlag::WaitFor(int64_t milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return set_.load(); });
}

Text WorkerWindow::GetText(Control box) {
    Text text;
    thread_.Call([&] { text = window_.GetText(box); });
    return text;
}

void WorkerWindow::SetText(Control box, const Text& text) {
    thread_.Call([&] { window_.SetText(box, text); });
}

Text WorkerWindow::GetCaption(Control button) {
    Text caption;
    thread_.Call([&] { caption = window_.GetCaption(button); });
    return caption;
}

void WorkerWindow::SetCaption(Control button, const Text& caption) {
    thread_.Call([&] { window_.SetCaption(button, caption); });
}

void WorkerWindow::SetEnabled(Control control, bool enabled) {
    thread_.Call([&] { window_.SetEnabled(control, enabled); });
}

bool WorkerWindow::IsDisabled(Control control) {
    // A window that is gone counts as unlocked, which ends the loop.
    bool disabled = false;
    thread_.Call([&] { disabled = window_.IsDisabled(control); });
    return disabled;
}

void WorkerWindow::WaitDispatching(int64_t due100ns) {
    if (due100ns >= 0) return;
    const int64_t ms = due100ns <= -INT64_MAX ? INT64_MAX / 10000 : -due100ns / 10000;
    // Capped far beyond any interval the boxes can hold, so the clock cannot overflow.
    stop_.WaitFor(ms > (int64_t{1} << 40) ? (int64_t{1} << 40) : ms);
}

bool WorkerWindow::IsClosed() {
    if (stop_.IsSet()) return true;
    bool closed = true;
    thread_.Call([&] { closed = window_.IsClosed(); });
    return closed;
}

void WorkerWindow::ShowMessage(const Text& text) {
    thread_.Call([&] { window_.ShowMessage(text); });
}

MonitorRunner::MonitorRunner(Window& window, WindowThread& thread, std::function<void()> cancelRequests)
    : window_(window), thread_(thread), cancelRequests_(std::move(cancelRequests)) {}

void MonitorRunner::Toggle() {
    // A worker still finishing a stopped loop ends before a new one starts,
    // so its end does not release what the new one holds.
    if (!running_.load() || stop_.IsSet()) Join();
    if (!StartOrStopMonitoring(window_)) {
        // Stopped: caption and controls are idle again already.
        stop_.Set();
        if (cancelRequests_) cancelRequests_();
        return;
    }
    stop_.Reset();
    running_.store(true);
    thread_handle_ = std::thread([this] {
        RunMonitorLoop(worker_);
        running_.store(false);
        thread_.Notify();
    });
}

void MonitorRunner::Join() {
    if (!thread_handle_.joinable()) return;
    stop_.Set();
    if (cancelRequests_) cancelRequests_();
    thread_.DrainUntil([this] { return !running_.load(); });
    thread_handle_.join();
}

void MonitorRunner::Shutdown() {
    if (!thread_handle_.joinable()) return;
    stop_.Set();
    if (cancelRequests_) cancelRequests_();
    // The widgets may be gone: the worker's calls now fail at once.
    thread_.Close();
    thread_handle_.join();
    running_.store(false);
}

}  // namespace pelko

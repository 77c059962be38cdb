#include "http/visit_pool.h"

#include <algorithm>
#include <utility>

namespace pelko {

VisitPool::VisitPool(std::vector<PreparedVisit> visits, std::size_t width)
    : visits_(std::move(visits)), answers_(visits_.size()), done_(visits_.size(), false),
      width_(std::max<std::size_t>(width, 1)) {
    const std::size_t threads = std::min(width_, visits_.size());
    for (std::size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

VisitPool::~VisitPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
}

VisitAnswer VisitPool::TakeNext() {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::size_t i = taken_;
    if (i >= visits_.size()) return {};
    changed_.wait(lock, [&] { return done_[i]; });
    ++taken_;
    VisitAnswer answer = std::move(answers_[i]);
    lock.unlock();
    // One more may go out now.
    changed_.notify_all();
    return answer;
}

void VisitPool::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return ending_ || next_ >= visits_.size() || next_ < taken_ + width_; });
        if (ending_ || next_ >= visits_.size()) return;
        const std::size_t i = next_++;
        lock.unlock();
        VisitAnswer answer = ExchangeVisit(visits_[i]);
        lock.lock();
        answers_[i] = std::move(answer);
        done_[i] = true;
        changed_.notify_all();
    }
}

}  // namespace pelko

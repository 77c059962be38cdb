// Prepared requests sent ahead of the one who reads their answers, a few at
// a time, so that slow answers wait side by side rather than one after the
// other.  The answers are still taken one by one, in the order given.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "http/web_visit.h"

namespace pelko {

class VisitPool {
public:
    // Starts sending at once.  A request goes out only while fewer than
    // `width` answers lie between it and the one to be taken next, so at
    // most `width` are in flight and at most `width` answers wait unread.
    VisitPool(std::vector<PreparedVisit> visits, std::size_t width);
    // Sends nothing more, and waits for the exchanges already under way.
    ~VisitPool();
    VisitPool(const VisitPool&) = delete;
    VisitPool& operator=(const VisitPool&) = delete;

    // The answer to the next request in order, waiting for it when it has not
    // come yet.  Not to be called more often than there are requests.
    VisitAnswer TakeNext();
    // The i-th request as it was given (for FinishVisit).
    const PreparedVisit& Visit(std::size_t i) const { return visits_[i]; }

private:
    void Work();

    std::vector<PreparedVisit> visits_;
    std::vector<VisitAnswer> answers_;
    std::vector<bool> done_;
    std::size_t width_;
    std::size_t next_ = 0;   // the next one to send
    std::size_t taken_ = 0;  // answers handed out
    bool ending_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
};

}  // namespace pelko

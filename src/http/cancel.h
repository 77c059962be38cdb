// Breaking off web requests from another thread: a stop click or a stop
// signal must not wait for a slow or silent server.  Every transport honours
// it; a broken-off request fails like any other ("cancelled").
#pragma once

#include <functional>

namespace pelko {

// Ends every request in flight at once, and every one started from now on
// until ResumeRequests, as failed.  Any thread.
void CancelRequests();
// Requests run normally again.
void ResumeRequests();
bool RequestsCancelled();

// For transports: while it lives, CancelRequests calls `breakOff` (on the
// cancelling thread, at most once).  Cancelled() tells whether that happened
// or the requests were cancelled already when it was made.
class CancelScope {
public:
    explicit CancelScope(std::function<void()> breakOff);
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;
    bool Cancelled() const;

private:
    friend void CancelRequests();
    void BreakOff();  // under the registry's lock

    std::function<void()> breakOff_;
    bool cancelled_ = false;  // guarded by the registry's lock
};

}  // namespace pelko

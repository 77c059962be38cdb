#include "http/cancel.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace pelko {

namespace {

std::atomic<bool> g_cancelled{false};

// The scopes alive now.  The lock is held while a scope's breakOff runs, so a
// scope is never destroyed under a cancelling thread.
std::mutex& Lock() {
    static std::mutex m;
    return m;
}
std::vector<CancelScope*>& Scopes() {
    static std::vector<CancelScope*> scopes;
    return scopes;
}

}  // namespace

void CancelRequests() {
    std::lock_guard<std::mutex> lock(Lock());
    g_cancelled.store(true);
    for (CancelScope* scope : Scopes()) scope->BreakOff();
}

void ResumeRequests() {
    std::lock_guard<std::mutex> lock(Lock());
    g_cancelled.store(false);
}

bool RequestsCancelled() { return g_cancelled.load(); }

CancelScope::CancelScope(std::function<void()> breakOff) : breakOff_(std::move(breakOff)) {
    std::lock_guard<std::mutex> lock(Lock());
    cancelled_ = g_cancelled.load();
    Scopes().push_back(this);
}

CancelScope::~CancelScope() {
    std::lock_guard<std::mutex> lock(Lock());
    auto& scopes = Scopes();
    scopes.erase(std::find(scopes.begin(), scopes.end(), this));
}

bool CancelScope::Cancelled() const {
    std::lock_guard<std::mutex> lock(Lock());
    return cancelled_;
}

void CancelScope::BreakOff() {
    if (cancelled_) return;
    cancelled_ = true;
    if (breakOff_) breakOff_();
}

}  // namespace pelko

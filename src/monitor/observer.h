// What the monitor loop tells whoever shows its work (the headless output,
// the window).  Every event has a do-nothing default.
#pragma once

#include <cstdint>

#include "monitor/feed.h"
#include "textutil/text.h"

namespace pelko {

// What one monitor pass did.
struct PassSummary {
    int keywords = 0;         // keywords asked
    TextArray askedKeywords;  // those, in order
    int failedKeywords = 0;   // of those, the ones whose query failed
    int rows = 0, newReports = 0;
    int accepted = 0;  // deliveries the services accepted during the pass
    int waiting = 0;   // deliveries left in the outbox after it
};

enum class PushTarget { DingTalk, ServerChan };

// One delivery of one report to one service.
struct DeliveryEvent {
    PushTarget target = PushTarget::DingTalk;
    FeedItem item;
    Text reason;            // the last failure's
    int tries = 0;          // requests made for it so far
    int64_t queuedMs = 0;   // when the report was found (Unix time in ms)
    int64_t retryAtMs = 0;  // failed: when it is tried again; 0 at the next pass
};

class PassObserver {
public:
    virtual ~PassObserver() = default;
    virtual void OnPassStart(const TextArray& keywords) { (void)keywords; }
    // Neither DingTalk nor ServerChan is set: said once until that changes.
    virtual void OnNoPushTarget() {}
    virtual void OnKeywordFailed(const Text& keyword, const Text& reason) { (void)keyword, (void)reason; }
    virtual void OnNewReport(const FeedItem& item) { (void)item; }
    virtual void OnDeliveryFailed(const DeliveryEvent& delivery) { (void)delivery; }
    // Accepted, but not by the pass that found the report.
    virtual void OnLateDelivery(const DeliveryEvent& delivery) { (void)delivery; }
    // Still not accepted a day after the report was found: dropped.
    virtual void OnGiveUp(const DeliveryEvent& delivery) { (void)delivery; }
    // A service takes no more for a while (its pace, its refusal to go
    // faster, its daily quota); the deliveries wait until `untilMs`.
    virtual void OnHeld(PushTarget target, const Text& reason, int64_t untilMs) {
        (void)target, (void)reason, (void)untilMs;
    }
    virtual void OnPassDone(const PassSummary& summary) { (void)summary; }
    // The number of deliveries waiting in the outbox, after every change.
    virtual void OnOutboxChanged(int waiting) { (void)waiting; }
};

// Watches nothing; for callers that do not follow the passes.
PassObserver& NoObserver();

// The services' names as the output shows them.
inline const char* TargetName(PushTarget target) { return target == PushTarget::DingTalk ? "钉钉" : "Server酱"; }

}  // namespace pelko

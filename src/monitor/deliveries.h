// Delivering the outbox: which entries may go now, in what order, how often
// a service is asked, and what a failure costs.
//
// - Each service takes its deliveries in the order the reports were found;
//   while the first one waiting for a service cannot go, the ones behind it
//   wait too.
// - A failed delivery is tried again at the next pass, then after 1, 2, 4, …
//   minutes, at most an hour apart; a changed token or key makes it due at
//   the next pass.  A service that failed is not asked again in the same pass.
// - A delivery not accepted 24 hours after its report was found is given up.
// - DingTalk gets at most 20 messages per token in any minute; its "too many
//   messages" answer holds that token for ten minutes.  ServerChan's answer
//   that the day's quota is used up holds that key until local midnight.
#pragma once

#include <cstdint>
#include <functional>

#include "monitor/observer.h"
#include "monitor/outbox.h"

namespace pelko {

// The push settings as the boxes hold them at the moment they are read.
struct PushSettings {
    Text dingTalkToken, dingTalkSecret, serverChanKey;
    bool any() const { return !TrimText(dingTalkToken).empty() || !TrimText(serverChanKey).empty(); }
};
using PushSettingsReader = std::function<PushSettings()>;

inline constexpr int64_t kGiveUpAfterMs = 24LL * 3600 * 1000;
inline constexpr int64_t kMaxBackoffMs = 3600LL * 1000;
inline constexpr int64_t kThrottleHoldMs = 10LL * 60 * 1000;
inline constexpr int kDingTalkPerMinute = 20;

// Unix time in milliseconds.
int64_t WallClockMs();
// When the try after `tries` failed ones is due; 0 for the next pass.
int64_t RetryAt(int tries, int64_t nowMs);

// Queues one new report for every service that is set.
void QueueReport(const FeedItem& item, const PushSettings& settings, int64_t nowMs);

enum class RoundKind {
    Pass,  // every delivery that is due, those waiting for the next pass too
    Wait,  // during the pause: only those whose own time has come
};

// Starts a pass: services that failed in the last one may be asked again.
void BeginDeliveryPass();
// Delivers what is due, service by service in report order; stops early
// when `stop` says so.  Returns the number accepted.
int DeliverDue(RoundKind kind, const PushSettingsReader& read, PassObserver& observer,
               const std::function<bool()>& stop);
// The Unix ms at which the pause should next deliver, -1 when nothing waits
// for a time of its own.
int64_t NextTimedDelivery(const PushSettings& settings);
int WaitingDeliveries();

}  // namespace pelko

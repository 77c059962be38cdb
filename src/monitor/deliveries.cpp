#include "monitor/deliveries.h"

#include "config/chrono.h"
#include "notify/addressing.h"
#include "notify/push.h"
#include "textutil/clock_os.h"

namespace pelko {

namespace {

bool g_failedThisPass[2] = {false, false};

int Index(PushTarget target) { return target == PushTarget::DingTalk ? 0 : 1; }

const Text& BoxOf(const PushSettings& s, PushTarget target) {
    return target == PushTarget::DingTalk ? s.dingTalkToken : s.serverChanKey;
}

// What identifies the robot or the account: the token as addressed, the key trimmed.
Text PrintOf(const PushSettings& s, PushTarget target) {
    return KeyPrint(target == PushTarget::DingTalk ? DingTalkToken(s.dingTalkToken) : TrimText(s.serverChanKey));
}

int64_t NextLocalMidnight(int64_t nowMs) {
    const int64_t seconds = nowMs / 1000;
    CivilTime t;
    if (!os::LocalTimeOf(seconds, t)) return nowMs + 24LL * 3600 * 1000;
    const int64_t sinceMidnight = t.hour * 3600LL + t.minute * 60LL + t.second;
    return (seconds - sinceMidnight + 24LL * 3600) * 1000;
}

ReportTexts TextsOf(const FeedItem& i) {
    return {i.article_mall, i.article_title, i.article_subtitle, i.publish_date_lt, i.article_referrals,
            i.article_url,  i.article_pic};
}

DeliveryEvent EventOf(const OutboxEntry& e) {
    return DeliveryEvent{e.target, e.item, e.reason, e.tries, e.queuedMs, e.nextMs};
}

// The time at which an entry may go, given its service's pace; -1: not in
// this kind of round.
int64_t DueAt(const OutboxEntry& e, const PaceRecord& pace, const Text& print, RoundKind kind) {
    // A corrected token or key is worth a try at once.
    const int64_t next = e.keyPrint == print ? e.nextMs : 0;
    if (next == 0 && pace.heldUntilMs == 0) return kind == RoundKind::Pass ? 0 : -1;
    return std::max(next, pace.heldUntilMs);
}

void DropOldSends(PaceRecord& pace, int64_t nowMs) {
    std::erase_if(pace.sentMs, [&](int64_t t) { return t <= nowMs - 60000 || t > nowMs + 60000; });
}

}  // namespace

int64_t WallClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

int64_t RetryAt(int tries, int64_t nowMs) {
    if (tries <= 1) return 0;
    int64_t delay = 60000;
    for (int i = 2; i < tries && delay < kMaxBackoffMs; ++i) delay *= 2;
    return nowMs + std::min(delay, kMaxBackoffMs);
}

void QueueReport(const FeedItem& item, const PushSettings& settings, int64_t nowMs) {
    Outbox& outbox = CurrentOutbox();
    for (PushTarget target : {PushTarget::DingTalk, PushTarget::ServerChan}) {
        if (TrimText(BoxOf(settings, target)).empty()) continue;
        // Queued already by a run that was killed before it marked the report.
        if (outbox.Holds(item, target)) continue;
        OutboxEntry e;
        e.target = target;
        e.item = item;
        e.queuedMs = nowMs;
        e.fresh = true;
        outbox.Add(std::move(e));
    }
}

void BeginDeliveryPass() {
    g_failedThisPass[0] = g_failedThisPass[1] = false;
    CurrentOutbox().Age();
}

int DeliverDue(RoundKind kind, const PushSettingsReader& read, PassObserver& observer,
               const std::function<bool()>& stop) {
    Outbox& outbox = CurrentOutbox();
    int accepted = 0;

    int64_t now = WallClockMs();
    std::vector<int64_t> seqs;
    for (const OutboxEntry& e : outbox.entries()) seqs.push_back(e.seq);
    bool gaveUp = false;
    for (int64_t seq : seqs) {
        OutboxEntry* e = outbox.Find(seq);
        if (!e || now - e->queuedMs < kGiveUpAfterMs) continue;
        DeliveryEvent event = EventOf(*e);
        if (event.reason.empty()) event.reason = e->tries ? "not accepted" : "never sent";
        outbox.Remove(seq);
        observer.OnGiveUp(event);
        gaveUp = true;
    }
    if (gaveUp) {
        outbox.Save();
        observer.OnOutboxChanged(WaitingDeliveries());
    }

    bool blocked[2] = {false, false};
    seqs.clear();
    for (const OutboxEntry& e : outbox.entries()) seqs.push_back(e.seq);
    for (int64_t seq : seqs) {
        if (stop && stop()) break;
        OutboxEntry* e = outbox.Find(seq);
        if (!e) continue;
        const PushTarget target = e->target;
        const int t = Index(target);
        if (blocked[t]) continue;
        // The boxes are read for every delivery, as the window may change them.
        const PushSettings settings = read();
        if (TrimText(BoxOf(settings, target)).empty() || (kind == RoundKind::Pass && g_failedThisPass[t])) {
            blocked[t] = true;
            continue;
        }
        const Text print = PrintOf(settings, target);
        PaceRecord& pace = outbox.Pace(target, print);
        now = WallClockMs();
        const int64_t due = DueAt(*e, pace, print, kind);
        if (due < 0 || due > now) {
            blocked[t] = true;
            continue;
        }
        if (target == PushTarget::DingTalk) {
            DropOldSends(pace, now);
            if (static_cast<int>(pace.sentMs.size()) >= kDingTalkPerMinute) {
                pace.heldUntilMs = pace.sentMs[pace.sentMs.size() - kDingTalkPerMinute] + 60000;
                pace.heldReason = "20 messages within a minute";
                outbox.SavePace(target, print);
                outbox.Save();
                observer.OnHeld(target, pace.heldReason, pace.heldUntilMs);
                blocked[t] = true;
                continue;
            }
        }

        const ReportTexts texts = TextsOf(e->item);
        const PushAnswer answer = target == PushTarget::DingTalk
                                      ? PushDingTalk(texts, settings.dingTalkToken, settings.dingTalkSecret, now)
                                      : PushServerChan(texts, settings.serverChanKey);
        now = WallClockMs();
        // The entry may not outlive the request: look it up again.
        e = outbox.Find(seq);
        if (!e) continue;
        ++e->tries;
        e->keyPrint = print;
        if (target == PushTarget::DingTalk) pace.sentMs.push_back(now);
        if (answer.kind == PushAnswer::Kind::Accepted) {
            // Late: not delivered by the pass that found the report.
            const bool late = !e->fresh || e->tries > 1;
            DeliveryEvent event = EventOf(*e);
            pace.heldUntilMs = 0;
            pace.heldReason.clear();
            outbox.Remove(seq);
            outbox.SavePace(target, print);
            outbox.Save();
            ++accepted;
            if (late) observer.OnLateDelivery(event);
        } else {
            e->reason = answer.reason;
            if (answer.kind == PushAnswer::Kind::Failed) {
                e->nextMs = RetryAt(e->tries, now);
                if (kind == RoundKind::Pass) g_failedThisPass[t] = true;
            } else {
                pace.heldUntilMs =
                    answer.kind == PushAnswer::Kind::Throttled ? now + kThrottleHoldMs : NextLocalMidnight(now);
                pace.heldReason = answer.reason;
                e->nextMs = 0;
            }
            outbox.Update(*e);
            outbox.SavePace(target, print);
            outbox.Save();
            DeliveryEvent event = EventOf(*e);
            if (answer.kind != PushAnswer::Kind::Failed) event.retryAtMs = pace.heldUntilMs;
            observer.OnDeliveryFailed(event);
            blocked[t] = true;
        }
        observer.OnOutboxChanged(WaitingDeliveries());
    }
    return accepted;
}

int64_t NextTimedDelivery(const PushSettings& settings) {
    Outbox& outbox = CurrentOutbox();
    int64_t best = -1;
    bool seen[2] = {false, false};
    for (const OutboxEntry& e : outbox.entries()) {
        const int t = Index(e.target);
        // Only the first waiting delivery of each service sets its pace.
        if (seen[t]) continue;
        seen[t] = true;
        if (TrimText(BoxOf(settings, e.target)).empty()) continue;
        const Text print = PrintOf(settings, e.target);
        PaceRecord& pace = outbox.Pace(e.target, print);
        int64_t due = DueAt(e, pace, print, RoundKind::Wait);
        if (due < 0) continue;
        if (e.target == PushTarget::DingTalk) {
            // A delivery held back by the pace alone leaves as the minute turns.
            std::vector<int64_t> sent = pace.sentMs;
            const int64_t now = WallClockMs();
            std::erase_if(sent, [&](int64_t s) { return s <= now - 60000 || s > now + 60000; });
            if (static_cast<int>(sent.size()) >= kDingTalkPerMinute)
                due = std::max(due, sent[sent.size() - kDingTalkPerMinute] + 60000);
        }
        if (best < 0 || due < best) best = due;
    }
    // Give-ups are due as well, so that they are reported while monitoring goes on.
    for (const OutboxEntry& e : outbox.entries()) {
        const int64_t at = e.queuedMs + kGiveUpAfterMs;
        if (best < 0 || at < best) best = at;
    }
    return best;
}

int WaitingDeliveries() { return static_cast<int>(CurrentOutbox().entries().size()); }

}  // namespace pelko

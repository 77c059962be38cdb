// The window's status line: what monitoring did last, what it waits for and
// what went wrong, in at most two short lines.  It runs on the window thread;
// the monitor's events reach it there, and it hands every new text to `show`.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "monitor/observer.h"
#include "textutil/text.h"

namespace pelko {

// One target's answer to a test push.  `who` is the service's name with the
// masked token or key.
struct TestPushAnswer {
    PushTarget target = PushTarget::DingTalk;
    Text who;
    bool accepted = false;
    Text reason;  // why not
};

// What fits one line of the window, counted in half-width columns (a
// double-byte character takes two).
inline constexpr int kStatusColumns = 54;

// `text` cut to `columns`, ending in "…" when cut; never splits a character.
Text FitColumns(const Text& text, int columns);

class StatusLine : public PassObserver {
public:
    // `intervalBox` reads the pause box when a pass ends (for the countdown);
    // `clock` gives Unix milliseconds.
    StatusLine(std::function<void(const Text&)> show, std::function<Text()> intervalBox,
               std::function<int64_t()> clock);

    // Monitoring started (true) or stopped (false).
    void SetMonitoring(bool monitoring);
    // Once a second: the countdown moves on.
    void Tick();
    void OnTestPushStarted();
    void OnTestPushDone(const std::vector<TestPushAnswer>& answers);

    Text Current() const;

    void OnPassStart(const TextArray& keywords) override;
    void OnNoPushTarget() override;
    void OnKeywordFailed(const Text& keyword, const Text& reason) override;
    void OnDeliveryFailed(const DeliveryEvent& delivery) override;
    void OnLateDelivery(const DeliveryEvent& delivery) override;
    void OnGiveUp(const DeliveryEvent& delivery) override;
    void OnHeld(PushTarget target, const Text& reason, int64_t untilMs) override;
    void OnPassDone(const PassSummary& summary) override;
    void OnOutboxChanged(int waiting) override;

private:
    Text FirstLine() const;
    Text SecondLine() const;
    void Update();

    std::function<void(const Text&)> show_;
    std::function<Text()> intervalBox_;
    std::function<int64_t()> clock_;
    Text shown_;

    bool monitoring_ = false, inPass_ = false, noTarget_ = false;
    std::optional<PassSummary> last_;
    int64_t lastDoneMs_ = 0, nextPassMs_ = 0;
    int waiting_ = 0;
    Text keywordFailure_, passKeywordFailure_;  // the last pass's, the running one's
    Text serviceFailure_[2];                    // by PushTarget
    TextArray testPush_;  // the test push's lines, while they are news
};

// With PELKO_STATUS_LOG set to a file name, every status text is appended
// to that file as one UTF-8 line (its two lines joined by " | "), for tests
// and for a user who wants a record; otherwise empty.
std::function<void(const Text&)> StatusLogFromEnvironment();

}  // namespace pelko

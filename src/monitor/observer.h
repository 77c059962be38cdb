// Who watches the monitor passes: the windowless run prints what each did.
#pragma once

namespace pelko {

struct FeedItem;

// What one monitor pass did.
struct PassSummary {
    int keywords = 0, rows = 0, newReports = 0, pushesSent = 0;
};

class PassObserver {
public:
    virtual ~PassObserver() = default;
    virtual void OnPassDone(const PassSummary&) {}
    virtual void OnNewReport(const FeedItem&, int pushesSent) { (void)pushesSent; }
};

// Watches nothing; for callers that do not follow the passes.
PassObserver& NoObserver();

}  // namespace pelko

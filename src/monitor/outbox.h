// Deliveries not yet accepted: "待推送.ini" beside the store.  Each entry
// holds one report's fields and the service it is for, never a token or a
// key: a retry uses what the boxes hold then.  The file is the journal that
// makes a kill safe: an entry is written before its report is marked in the
// store and removed once its service has accepted it, one file replacement
// per delivery, so a kill repeats at most the one delivery in flight.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "monitor/feed.h"
#include "monitor/observer.h"
#include "textutil/ini.h"

namespace pelko {

struct OutboxEntry {
    int64_t seq = 0;  // order of arrival; deliveries to one service leave in this order
    PushTarget target = PushTarget::DingTalk;
    FeedItem item;
    int64_t queuedMs = 0;  // Unix time in ms at which the report was found
    int tries = 0;
    int64_t nextMs = 0;  // the next try, Unix ms; 0: at the next pass
    Text reason;         // of the last failure
    Text keyPrint;       // fingerprint of the token or key the last try used
    bool fresh = false;  // queued in the current pass (not kept in the file)
};

// What a service allows at the moment, per token or key (by fingerprint).
struct PaceRecord {
    int64_t heldUntilMs = 0;  // a hold, 0 when none; kept after it ends until a delivery is accepted
    Text heldReason;
    std::vector<int64_t> sentMs;  // the requests of the last minute
};

Text OutboxPath();
// A short fingerprint of a token or key: the outbox keeps per-token pace
// without keeping the token.
Text KeyPrint(const Text& secret);

class Outbox {
public:
    // Reads the file; an entry whose report the store does not know yet
    // (a kill came between the two writes) is marked there now.
    void Load(const Text& path);
    const Text& path() const { return path_; }

    const std::vector<OutboxEntry>& entries() const { return entries_; }
    OutboxEntry* Find(int64_t seq);
    // True when an entry for this report (as the store knows it) and service waits already.
    bool Holds(const FeedItem& item, PushTarget target) const;
    void Add(OutboxEntry entry);
    // Writes back tries, next, reason and key fingerprint of the entry.
    void Update(const OutboxEntry& entry);
    void Remove(int64_t seq);
    // A new pass: what waits now waited through a pass.
    void Age();
    PaceRecord& Pace(PushTarget target, const Text& print);
    void SavePace(PushTarget target, const Text& print);

    // Applies every change since the last save in one replacement of the
    // file.  After a failed write the changes stay and go with the next save.
    bool Save();

private:
    void PutEntry(const OutboxEntry& entry);

    Text path_;
    std::vector<OutboxEntry> entries_;
    int64_t next_ = 1;
    std::map<std::pair<int, Text>, PaceRecord> pace_;
    std::vector<IniEdit> pending_;
};

// The outbox of the current folder, loaded on first use.
Outbox& CurrentOutbox();

}  // namespace pelko

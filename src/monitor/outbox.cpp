#include "monitor/outbox.h"

#include <cstdio>
#include <cstdlib>

#include "config/paths.h"
#include "monitor/store.h"

namespace pelko {

namespace {

const char kMeta[] = "Outbox";
const char kPaceSection[] = "Pace";
// A default no stored value can equal: it tells a missing key from an empty value.
const Text kMissing = "\x01\x02(missing)";

const char* TargetKey(PushTarget target) { return target == PushTarget::DingTalk ? "dingtalk" : "serverchan"; }

int64_t ToInt64(const Text& text) {
    const Text t = TrimText(text);
    if (t.empty()) return 0;
    return std::strtoll(t.c_str(), nullptr, 10);
}

Text FromInt64(int64_t value) { return ToText(value); }

struct Field {
    const char* key;
    Text FeedItem::*member;
};

constexpr Field kFields[] = {
    {"article_mall", &FeedItem::article_mall},         {"article_url", &FeedItem::article_url},
    {"article_subtitle", &FeedItem::article_subtitle}, {"article_title", &FeedItem::article_title},
    {"article_referrals", &FeedItem::article_referrals}, {"publish_date_lt", &FeedItem::publish_date_lt},
    {"article_pic", &FeedItem::article_pic},           {"article_price", &FeedItem::article_price},
    {"article_id", &FeedItem::article_id},
};

bool SameReport(const FeedItem& a, const FeedItem& b) {
    return StoreSection(a) == StoreSection(b) && StoreKey(a) == StoreKey(b) &&
           a.article_referrals == b.article_referrals;
}

Text PaceKey(PushTarget target, const Text& print, const char* what) {
    return Text(TargetKey(target)) + "." + print + "." + what;
}

}  // namespace

Text OutboxPath() { return StateDirectory() + "\\待推送.ini"; }

Text KeyPrint(const Text& secret) {
    // FNV-1a, 64 bits: enough to tell the user's few tokens apart.
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : secret) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

void Outbox::Load(const Text& path) {
    path_ = path;
    entries_.clear();
    pace_.clear();
    pending_.clear();
    next_ = ToInt64(ReadIniValue(path, kMeta, "Next"));
    if (next_ < 1) next_ = 1;
    bool marked = false;
    for (int64_t seq = 1; seq < next_; ++seq) {
        const Text section = ToText(seq);
        const Text target = ReadIniValue(path, section, "target");
        if (target != "dingtalk" && target != "serverchan") continue;
        OutboxEntry e;
        e.seq = seq;
        e.target = target == "dingtalk" ? PushTarget::DingTalk : PushTarget::ServerChan;
        for (const Field& f : kFields) e.item.*f.member = ReadIniValue(path, section, f.key);
        e.queuedMs = ToInt64(ReadIniValue(path, section, "queued"));
        e.tries = static_cast<int>(ToInt64(ReadIniValue(path, section, "tries")));
        e.nextMs = ToInt64(ReadIniValue(path, section, "next"));
        e.reason = ReadIniValue(path, section, "reason");
        e.keyPrint = ReadIniValue(path, section, "key");
        // Written before the store's mark: a kill between the two left the
        // report unmarked, and the next pass would queue it again.
        if (ReadIniValue(StorePath(), StoreSection(e.item), StoreKey(e.item), kMissing) == kMissing) {
            MarkReported(e.item);
            marked = true;
        }
        entries_.push_back(std::move(e));
    }
    if (marked) FlushReported();
}

OutboxEntry* Outbox::Find(int64_t seq) {
    for (OutboxEntry& e : entries_)
        if (e.seq == seq) return &e;
    return nullptr;
}

bool Outbox::Holds(const FeedItem& item, PushTarget target) const {
    for (const OutboxEntry& e : entries_)
        if (e.target == target && SameReport(e.item, item)) return true;
    return false;
}

void Outbox::PutEntry(const OutboxEntry& e) {
    const Text section = ToText(e.seq);
    auto put = [&](const char* key, const Text& value) { pending_.push_back(IniEdit{section, Text(key), value}); };
    put("tries", ToText(e.tries));
    put("next", FromInt64(e.nextMs));
    put("reason", e.reason);
    put("key", e.keyPrint);
}

void Outbox::Add(OutboxEntry e) {
    e.seq = next_++;
    const Text section = ToText(e.seq);
    pending_.push_back(IniEdit{kMeta, Text("Next"), ToText(next_)});
    pending_.push_back(IniEdit{section, Text("target"), Text(TargetKey(e.target))});
    for (const Field& f : kFields) pending_.push_back(IniEdit{section, Text(f.key), e.item.*f.member});
    pending_.push_back(IniEdit{section, Text("queued"), FromInt64(e.queuedMs)});
    PutEntry(e);
    entries_.push_back(std::move(e));
}

void Outbox::Update(const OutboxEntry& e) { PutEntry(e); }

void Outbox::Age() {
    for (OutboxEntry& e : entries_) e.fresh = false;
}

void Outbox::Remove(int64_t seq) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->seq != seq) continue;
        entries_.erase(it);
        pending_.push_back(IniEdit{ToText(seq), {}, {}});
        break;
    }
    if (entries_.empty()) {
        // Numbers start again once nothing waits.
        next_ = 1;
        pending_.push_back(IniEdit{kMeta, Text("Next"), Text("1")});
    }
}

PaceRecord& Outbox::Pace(PushTarget target, const Text& print) {
    auto key = std::make_pair(static_cast<int>(target), print);
    auto it = pace_.find(key);
    if (it != pace_.end()) return it->second;
    PaceRecord r;
    r.heldUntilMs = ToInt64(ReadIniValue(path_, kPaceSection, PaceKey(target, print, "held")));
    r.heldReason = ReadIniValue(path_, kPaceSection, PaceKey(target, print, "reason"));
    for (const Text& t : SplitText(ReadIniValue(path_, kPaceSection, PaceKey(target, print, "sent")), " "))
        if (!t.empty()) r.sentMs.push_back(ToInt64(t));
    return pace_.emplace(key, std::move(r)).first->second;
}

void Outbox::SavePace(PushTarget target, const Text& print) {
    const PaceRecord& r = Pace(target, print);
    Text sent;
    for (int64_t t : r.sentMs) sent += (sent.empty() ? "" : " ") + FromInt64(t);
    pending_.push_back(IniEdit{kPaceSection, PaceKey(target, print, "held"), FromInt64(r.heldUntilMs)});
    pending_.push_back(IniEdit{kPaceSection, PaceKey(target, print, "reason"), r.heldReason});
    pending_.push_back(IniEdit{kPaceSection, PaceKey(target, print, "sent"), sent});
}

bool Outbox::Save() {
    if (pending_.empty()) return true;
    if (!EditIniValues(path_, pending_)) return false;
    pending_.clear();
    return true;
}

Outbox& CurrentOutbox() {
    static Outbox outbox;
    const Text path = OutboxPath();
    if (outbox.path() != path) outbox.Load(path);
    return outbox;
}

}  // namespace pelko

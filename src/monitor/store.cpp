#include "monitor/store.h"

#include <map>
#include <utility>
#include <vector>

#include "config/paths.h"
#include "textutil/ini.h"

namespace pelko {

namespace {

// The INI layer gives at most this many bytes of a value.
constexpr int kMaxValueRead = 10239;
const Text kNoShopSection = "(无商城)";
const Text kNoIdKey = "(无编号)";
// A default no stored value can equal: it tells a missing key from an empty value.
const Text kMissing = "\x01\x02(missing)";

struct Pending {
    std::map<std::pair<Text, Text>, size_t> index;  // folded names -> position in writes
    std::vector<IniWrite> writes;
};

Pending& PendingMarks() {
    static Pending pending;
    return pending;
}

std::pair<Text, Text> Folded(const Text& section, const Text& key) {
    return {ToLowerText(section), ToLowerText(key)};
}

}  // namespace

Text StoreSection(const FeedItem& item) { return item.article_mall.empty() ? kNoShopSection : item.article_mall; }

Text StoreKey(const FeedItem& item) {
    if (!item.article_id.empty()) return item.article_id;
    // Without an id the link (or else the title) tells reports apart.
    return kNoIdKey + (item.article_url.empty() ? item.article_title : item.article_url);
}

bool IsReported(const FeedItem& item) {
    const Text section = StoreSection(item), key = StoreKey(item);
    Text stored;
    Pending& pending = PendingMarks();
    auto it = pending.index.find(Folded(section, key));
    if (it != pending.index.end()) {
        stored = pending.writes[it->second].value;
    } else {
        stored = ReadIniValue(StorePath(), section, key, kMissing);
        if (stored == kMissing) return false;
    }
    const Text& reporter = item.article_referrals;
    if (reporter.size() > static_cast<size_t>(kMaxValueRead) && stored.size() == static_cast<size_t>(kMaxValueRead))
        return CompareText(stored, LeftText(reporter, kMaxValueRead)) == 0;
    return CompareText(stored, reporter) == 0;
}

void MarkReported(const FeedItem& item) {
    IniWrite write{StoreSection(item), StoreKey(item), item.article_referrals};
    Pending& pending = PendingMarks();
    auto [it, added] = pending.index.try_emplace(Folded(write.section, write.key), pending.writes.size());
    if (added) pending.writes.push_back(std::move(write));
    else pending.writes[it->second] = std::move(write);
}

bool FlushReported() {
    Pending& pending = PendingMarks();
    if (pending.writes.empty()) return true;
    // After a failed write (read-only folder, full disk) the marks stay in
    // memory: this run does not push those reports again, and the next flush
    // tries to write them once more.
    if (!WriteIniValues(StorePath(), pending.writes)) return false;
    pending = Pending{};
    return true;
}

}  // namespace pelko

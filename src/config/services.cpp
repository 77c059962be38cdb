#include "config/services.h"

#include <cstdint>

#include "config/limits.h"
#include "config/paths.h"
#include "textutil/ini.h"

namespace pelko {

namespace {

const char kSection[] = "Services";

Text ServiceBase(const char* key, const char* builtIn) {
    Text base = ReadIniValue(ConfigPath(), kSection, key);
    if (base.empty()) base = builtIn;
    // The paths that follow begin with "/".
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

}  // namespace

Text FeedBase() { return ServiceBase("FeedBase", PELKO_FEED_BASE); }
Text DingTalkBase() { return ServiceBase("DingTalkBase", PELKO_DINGTALK_BASE); }
Text ServerChanBase() { return ServiceBase("ServerChanBase", PELKO_SERVERCHAN_BASE); }
Text ServerChan3Base() { return ServiceBase("ServerChan3Base", PELKO_SERVERCHAN3_BASE); }

std::chrono::milliseconds LimitFromText(const Text& value, std::chrono::milliseconds builtIn) {
    // Both backends take the limit as a 32-bit count.
    constexpr int64_t kMax = INT32_MAX;
    const Text digits = TrimText(value);
    if (digits.empty()) return builtIn;
    int64_t ms = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return builtIn;
        ms = ms * 10 + (c - '0');
        if (ms > kMax) ms = kMax;
    }
    return ms > 0 ? std::chrono::milliseconds(ms) : builtIn;
}

void ApplyConfiguredLimits() {
    const TransportLimits builtIn;
    TransportLimits& limits = CurrentLimits();
    const Text path = ConfigPath();
    limits.connect = LimitFromText(ReadIniValue(path, kSection, "ConnectTimeoutMs"), builtIn.connect);
    limits.idle = LimitFromText(ReadIniValue(path, kSection, "IdleTimeoutMs"), builtIn.idle);
    limits.total = LimitFromText(ReadIniValue(path, kSection, "TotalTimeoutMs"), builtIn.total);
}

}  // namespace pelko

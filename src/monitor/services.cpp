#include "monitor/services.h"

#include "app/settings.h"
#include "textutil/ini.h"

namespace pelko {

namespace {

Text ServiceBase(const char* key, const char* builtIn) {
    Text base = ReadIniValue(ConfigPath(), "Services", key);
    if (base.empty()) base = builtIn;
    // The paths that follow begin with "/".
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

}  // namespace

Text FeedBase() { return ServiceBase("FeedBase", PELKO_FEED_BASE); }
Text DingTalkBase() { return ServiceBase("DingTalkBase", PELKO_DINGTALK_BASE); }
Text ServerChanBase() { return ServiceBase("ServerChanBase", PELKO_SERVERCHAN_BASE); }

}  // namespace pelko

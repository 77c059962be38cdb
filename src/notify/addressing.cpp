#include "notify/addressing.h"

namespace pelko {

Text DingTalkToken(const Text& boxText) {
    Text token = TrimText(boxText);
    const size_t at = token.find("access_token=");
    if (at != Text::npos) {
        token = token.substr(at + 13);
        token = token.substr(0, token.find('&'));
    }
    return token;
}

Text DingTalkSignQuery(int64_t, const Text&) { return {}; }

Text ServerChanUrl(const Text& boxKey, const Text& serverChanBase, const Text&) {
    return serverChanBase + "/" + TrimText(boxKey) + ".send";
}

Text MaskSecret(const Text& secret) { return LeftText(secret, 4) + "…"; }

}  // namespace pelko

// Where a push goes: the token or key as the user pasted it, turned into the
// service's address.  Secrets are shown only masked.
#pragma once

#include <cstdint>

#include "textutil/text.h"

namespace pelko {

// The trimmed token, or the access_token of a pasted webhook address.
Text DingTalkToken(const Text& boxText);
// "" for an empty secret, else "&timestamp=<ms>&sign=<urlencoded base64 HMAC>".
Text DingTalkSignQuery(int64_t timestampMs, const Text& secret);
Text ServerChanUrl(const Text& boxKey, const Text& serverChanBase, const Text& serverChan3Base);
// The first four characters, then "…".
Text MaskSecret(const Text& secret);

}  // namespace pelko

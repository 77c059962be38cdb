// Where a push goes and how it is signed, from what the user typed into the
// push boxes; and how a token or key is shown without giving it away.
#pragma once

#include <cstdint>

#include "textutil/text.h"

namespace pelko {

// The DingTalk robot token in 钉钉推送: the box text without surrounding
// blanks, or, when the user pasted the robot's whole webhook address
// (http(s)://<host>/robot/send?...access_token=<token>...), that token.
Text DingTalkToken(const Text& boxText);

// The query suffix of a robot created with signing: empty when the secret is
// empty after trimming, else "&timestamp=<ms>&sign=<sign>", the sign being the
// percent-encoded base64 of HMAC-SHA256 over "<ms>\n<secret>" keyed by the
// secret, both in UTF-8.  Empty too when the platform cannot hash.
Text DingTalkSignQuery(int64_t timestampMs, const Text& secret);

// The ServerChan send address for a key.  Keys of the form sctp<digits>t...
// belong to a per-user host: serverChan3Base with "{uid}" replaced by the
// digits, then "/send/<key>.send"; any other key is serverChanBase + "/" +
// key + ".send".  The key is trimmed of surrounding blanks first.
Text ServerChanUrl(const Text& boxKey, const Text& serverChanBase, const Text& serverChan3Base);

// A token or key as output may show it: its first 4 characters and "…".
// One of 4 characters or fewer shows only "…"; an empty one stays empty.
Text MaskSecret(const Text& secret);

}  // namespace pelko

// The two push channels: a DingTalk actionCard and a ServerChan message,
// both filled from fixed templates by plain text substitution.
#pragma once

#include "textutil/text.h"

namespace pelko {

struct ReplacePair {
    Text search, replacement;
};

// Applies the pairs one after the other, each to the result of the one
// before; letters compared without regard to case unless caseSensitive.
Text ReplacePairs(const Text& text, std::initializer_list<ReplacePair> pairs, Opt<int> count = {},
                  Opt<int> start = {}, Opt<bool> caseSensitive = {});

extern const Text kDingTalkTemplate;
extern const Text kServerChanTemplate;

// Where the two messages go; an empty one skips its channel.
struct PushKeys {
    Text dingTalkToken;  // the robot's access token
    Text serverChanKey;
};

// Returns how many of the two requests were sent (their answers are not
// examined).
int PushReport(const PushKeys& keys, const Text& article_mall, const Text& article_title, const Text& article_subtitle,
               const Text& publish_date_lt, const Text& article_referrals, const Text& article_url,
               const Text& article_pic);

// Escapes a code page 936 text for a place inside a JSON string literal.
Text EscapeJsonText(const Text& text);

}  // namespace pelko

// The two push channels: a DingTalk actionCard and a ServerChan message,
// both filled from fixed templates by plain text substitution.
#pragma once

#include <cstdint>

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

// The seven fields of a report that the two messages show.
struct ReportTexts {
    Text article_mall, article_title, article_subtitle, publish_date_lt, article_referrals, article_url, article_pic;
};

// What a push service made of one message.
struct PushAnswer {
    enum class Kind {
        Accepted,
        Failed,     // refused, unreadable, other status or no answer: retried later
        Throttled,  // DingTalk's "too many messages": the robot takes none for ten minutes
        DayQuota,   // ServerChan's daily quota is used up: none until tomorrow
    };
    Kind kind = Kind::Failed;
    Text reason;  // empty when accepted: the service's code and message, the HTTP status, or the transport's error
};

// The request bodies, exactly as sent.
Text DingTalkMessage(const ReportTexts& report);
Text ServerChanBody(const ReportTexts& report);

// One message to one service; the token, secret and key as the boxes hold them.
PushAnswer PushDingTalk(const ReportTexts& report, const Text& tokenBox, const Text& secret, int64_t nowMs);
PushAnswer PushServerChan(const ReportTexts& report, const Text& keyBox);

// How the answers are judged: DingTalk wants HTTP 200 and errcode 0,
// ServerChan HTTP 200 and code 0.  `failure` is the transport's reason when
// no answer came.
PushAnswer ReadDingTalkAnswer(const Text& rawHeaders, const Bytes& body, const Text& failure);
PushAnswer ReadServerChanAnswer(const Text& rawHeaders, const Bytes& body, const Text& failure);

// Where the two messages go; an empty one skips its channel.
struct PushKeys {
    Text dingTalkToken;  // the robot's access token
    Text serverChanKey;
};

// Sends both messages; returns how many of them were accepted.
int PushReport(const PushKeys& keys, const Text& article_mall, const Text& article_title, const Text& article_subtitle,
               const Text& publish_date_lt, const Text& article_referrals, const Text& article_url,
               const Text& article_pic);

// Escapes a code page 936 text for a place inside a JSON string literal.
Text EscapeJsonText(const Text& text);

}  // namespace pelko

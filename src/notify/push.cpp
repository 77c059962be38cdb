#include "notify/push.h"

#include <cstdio>

#include "config/services.h"
#include "http/web_visit.h"
#include "json/json_document.h"
#include "notify/addressing.h"
#include "textutil/codepage.h"
#include "textutil/utf8.h"

namespace pelko {

namespace {

Text JoinLines(std::initializer_list<const char*> lines) {
    Text out;
    bool first = true;
    for (const char* line : lines) {
        if (!first) out += "\r\n";
        out += line;
        first = false;
    }
    return out;
}

Text Encoded(const Text& text) { return UrlEncode(text, {}, true); }

}  // namespace

const Text kDingTalkTemplate = JoinLines({
    "{",
    "    \"actionCard\": {",
    "        \"title\": \"简单标题\", ",
    "        \"text\": \"![screenshot](图片) ",
    "- 爆料：爆料人员",
    "- 内容：",
    "爆料内容",
    "\", ",
    "        \"btnOrientation\": \"0\", ",
    "        \"btns\": [",
    "            {",
    "                \"title\": \"爆料时间\", ",
    "                \"actionURL\": \"链接\"",
    "            },",
    "            {",
    "                \"title\": \"爆料价格\", ",
    "                \"actionURL\": \"链接\"",
    "            }",
    "        ]",
    "    }, ",
    "    \"msgtype\": \"actionCard\"",
    "}",
});

const Text kServerChanTemplate = JoinLines({
    "![screenshot](图片)  ",
    "> 平台：简单标题  ",
    "> 爆料：爆料人员  ",
    "> 内容：\n爆料内容  ",
    "> 时间：爆料时间  ",
    "> 价格：爆料价格  ",
    "> 链接：爆料链接",
});

Text ReplacePairs(const Text& text, std::initializer_list<ReplacePair> pairs, Opt<int> count, Opt<int> start,
                  Opt<bool> caseSensitive) {
    Text out = text;
    Opt<int> from = (start && *start != 0) ? start : Opt<int>(1);
    for (const ReplacePair& pair : pairs)
        out = ReplaceText(out, pair.search, pair.replacement, from, count, caseSensitive.value_or(false));
    return out;
}

Text EscapeJsonText(const Text& text) {
    Text out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t w = CharWidthAt(text, i);
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (w == 2) {
            out.append(text, i, 2);  // a trail byte may be 0x5C without being a backslash
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            switch (c) {
                case '\b': out += "\\b"; break;
                case '\f': out += "\\f"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default: {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                }
            }
        } else {
            out += static_cast<char>(c);
        }
        i += w;
    }
    return out;
}

Text DingTalkMessage(const ReportTexts& r) {
    // Values go into JSON strings, so each is escaped; the template's own
    // line breaks inside "text" stay raw.
    Text message = ReplacePairs(kDingTalkTemplate, {{"简单标题", EscapeJsonText(r.article_mall)},
                                                    {"爆料内容", EscapeJsonText(r.article_title)},
                                                    {"爆料价格", EscapeJsonText(r.article_subtitle)},
                                                    {"爆料时间", EscapeJsonText(r.publish_date_lt)},
                                                    {"爆料人员", EscapeJsonText(r.article_referrals)}});
    return ReplacePairs(message, {{"链接", EscapeJsonText(r.article_url)}, {"图片", EscapeJsonText(r.article_pic)}});
}

Text ServerChanBody(const ReportTexts& r) {
    Text message = ReplacePairs(kServerChanTemplate, {{"简单标题", r.article_mall},
                                                      {"爆料内容", r.article_title},
                                                      {"爆料价格", r.article_subtitle},
                                                      {"爆料时间", r.publish_date_lt},
                                                      {"爆料人员", r.article_referrals}});
    message = ReplacePairs(message, {{"爆料链接", r.article_url}, {"图片", r.article_pic}});
    return "text=" + Encoded(r.article_title) + "&desp=" + Encoded(message);
}

namespace {

// The service's own answer: a code member and a message member of a JSON
// object.  False when the body is no such object.
bool ReadServiceAnswer(const Bytes& body, const char* codeName, const char* messageName, Text& code, Text& message) {
    JsonDocument document;
    bool loaded = IsValidUtf8(body) ? document.LoadUtf8(body) : document.Load(ToText(body));
    if (!loaded) return false;
    int type = document.GetType(codeName);
    if (type != 2 && type != 6) return false;
    code = TrimText(document.GetText(codeName));
    message = document.GetText(messageName);
    return true;
}

// A reason fit for one line: the service's message may hold line breaks.
Text OneLine(const Text& text, size_t max = 200) {
    Text out;
    for (char c : text) out += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
    out = TrimText(out);
    if (out.size() > max) {
        size_t cut = 0;
        while (cut < out.size() && cut + CharWidthAt(out, cut) <= max) cut += CharWidthAt(out, cut);
        out = out.substr(0, cut) + "…";
    }
    return out;
}

PushAnswer Failed(Text reason) { return {PushAnswer::Kind::Failed, OneLine(reason)}; }

// Without an answer, or with a status other than 200: the reason is that.
bool TransportOrStatusFailure(const Text& rawHeaders, const Text& failure, PushAnswer& out) {
    if (rawHeaders.empty()) {
        out = Failed(failure.empty() ? Text("no answer") : failure);
        return true;
    }
    const int status = StatusCodeOf(rawHeaders);
    if (status != 200) {
        out = Failed("HTTP " + (status ? ToText(status) : Text("status unreadable")));
        return true;
    }
    return false;
}

// ServerChan words its daily limit in its message; the code alone is not
// specific to it.
bool SpeaksOfDailyQuota(const Text& message) {
    const Text lower = ToLowerText(message);
    const bool aboutCount = FindText(message, "次数") > 0 || FindText(message, "上限") > 0 ||
                            FindText(lower, "quota") > 0 || FindText(lower, "limit") > 0;
    const bool aboutDay = FindText(message, "当天") > 0 || FindText(message, "今天") > 0 ||
                          FindText(message, "今日") > 0 || FindText(message, "每天") > 0 ||
                          FindText(message, "每日") > 0 || FindText(lower, "daily") > 0 ||
                          FindText(lower, "today") > 0 || FindText(lower, "per day") > 0;
    return aboutCount && aboutDay;
}

}  // namespace

PushAnswer ReadDingTalkAnswer(const Text& rawHeaders, const Bytes& body, const Text& failure) {
    PushAnswer out;
    if (TransportOrStatusFailure(rawHeaders, failure, out)) return out;
    Text code, message;
    if (!ReadServiceAnswer(body, "errcode", "errmsg", code, message))
        return Failed("unreadable answer: " + OneLine(ToText(body), 60));
    if (code == "0") return {PushAnswer::Kind::Accepted, {}};
    PushAnswer refused = Failed(code + " " + message);
    if (code == "130101") refused.kind = PushAnswer::Kind::Throttled;
    return refused;
}

PushAnswer ReadServerChanAnswer(const Text& rawHeaders, const Bytes& body, const Text& failure) {
    PushAnswer out;
    if (TransportOrStatusFailure(rawHeaders, failure, out)) return out;
    Text code, message;
    if (!ReadServiceAnswer(body, "code", "message", code, message))
        return Failed("unreadable answer: " + OneLine(ToText(body), 60));
    if (code == "0") return {PushAnswer::Kind::Accepted, {}};
    PushAnswer refused = Failed(code + " " + message);
    if (SpeaksOfDailyQuota(message)) refused.kind = PushAnswer::Kind::DayQuota;
    return refused;
}

PushAnswer PushDingTalk(const ReportTexts& report, const Text& tokenBox, const Text& secret, int64_t nowMs) {
    const Text url = DingTalkBase() + "/robot/send?access_token=" + DingTalkToken(tokenBox) +
                     DingTalkSignQuery(nowMs, TrimText(secret));
    Text headers, failure;
    Bytes body = WebVisit(url, {.method = 1,
                                .postText = AnsiToUtf8(DingTalkMessage(report)),
                                .extraHeaders = Text("Content-Type:application/json ;charset=utf-8"),
                                .returnedHeaders = &headers,
                                .failure = &failure});
    return ReadDingTalkAnswer(headers, body, failure);
}

PushAnswer PushServerChan(const ReportTexts& report, const Text& keyBox) {
    const Text url = ServerChanUrl(keyBox, ServerChanBase(), ServerChan3Base());
    Text headers, failure;
    Bytes body = WebVisit(url, {.method = 1, .postText = ServerChanBody(report), .returnedHeaders = &headers,
                                .failure = &failure});
    return ReadServerChanAnswer(headers, body, failure);
}

int PushReport(const PushKeys& keys, const Text& article_mall, const Text& article_title, const Text& article_subtitle,
               const Text& publish_date_lt, const Text& article_referrals, const Text& article_url,
               const Text& article_pic) {
    const ReportTexts report{article_mall,      article_title, article_subtitle, publish_date_lt,
                             article_referrals, article_url,   article_pic};
    int accepted = 0;
    if (!keys.dingTalkToken.empty())
        accepted += PushDingTalk(report, keys.dingTalkToken, {}, 0).kind == PushAnswer::Kind::Accepted;
    if (!keys.serverChanKey.empty())
        accepted += PushServerChan(report, keys.serverChanKey).kind == PushAnswer::Kind::Accepted;
    return accepted;
}

}  // namespace pelko

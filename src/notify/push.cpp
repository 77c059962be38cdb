#include "notify/push.h"

#include <cstdio>

#include "config/services.h"
#include "http/web_visit.h"
#include "textutil/codepage.h"

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

int PushReport(const PushKeys& keys, const Text& article_mall, const Text& article_title, const Text& article_subtitle,
               const Text& publish_date_lt, const Text& article_referrals, const Text& article_url,
               const Text& article_pic) {
    int sent = 0;
    if (!keys.dingTalkToken.empty()) {
        // Values go into JSON strings, so each is escaped; the template's own
        // line breaks inside "text" stay raw.
        Text message = ReplacePairs(kDingTalkTemplate, {{"简单标题", EscapeJsonText(article_mall)},
                                                        {"爆料内容", EscapeJsonText(article_title)},
                                                        {"爆料价格", EscapeJsonText(article_subtitle)},
                                                        {"爆料时间", EscapeJsonText(publish_date_lt)},
                                                        {"爆料人员", EscapeJsonText(article_referrals)}});
        message = ReplacePairs(message, {{"链接", EscapeJsonText(article_url)}, {"图片", EscapeJsonText(article_pic)}});
        Text url = DingTalkBase() + "/robot/send?access_token=" + keys.dingTalkToken;
        WebVisit(url, {.method = 1,
                       .postText = AnsiToUtf8(message),
                       .extraHeaders = Text("Content-Type:application/json ;charset=utf-8")});
        ++sent;
    }
    if (!keys.serverChanKey.empty()) {
        Text message = ReplacePairs(kServerChanTemplate, {{"简单标题", article_mall},
                                                          {"爆料内容", article_title},
                                                          {"爆料价格", article_subtitle},
                                                          {"爆料时间", publish_date_lt},
                                                          {"爆料人员", article_referrals}});
        message = ReplacePairs(message, {{"爆料链接", article_url}, {"图片", article_pic}});
        Text url = ServerChanBase() + "/" + keys.serverChanKey + ".send";
        WebVisit(url, {.method = 1, .postText = "text=" + Encoded(article_title) + "&desp=" + Encoded(message)});
        ++sent;
    }
    return sent;
}

}  // namespace pelko

#include "monitor/feed.h"

#include <utility>

#include "config/services.h"
#include "http/web_visit.h"
#include "json/json_document.h"
#include "textutil/codepage.h"
#include "textutil/timestamp.h"
#include "textutil/utf8.h"

namespace pelko {

const char kFeedUserAgentLine[] =
    "User-Agent: Mozilla/5.0 (Linux; U; Android 8.0.0; zh-cn; Mi Note 2 Build/OPR1.170623.032) "
    "AppleWebKit/537.36 (KHTML, like Gecko) Version/4.0 Chrome/61.0.3163.128 Mobile Safari/537.36 "
    "XiaoMi/MiuiBrowser/10.1.1";

namespace {

// Enough of a text to recognise it, on one line.
Text OneLineStart(const Text& text) {
    Text out;
    for (size_t i = 0; i < text.size() && out.size() < 60; i += CharWidthAt(text, i)) {
        const char c = text[i];
        if (c == '\r' || c == '\n' || c == '\t') out += ' ';
        else out.append(text, i, CharWidthAt(text, i));
    }
    return TrimText(out) + (out.size() < text.size() ? "…" : "");
}

Text AnswerStart(const Bytes& answer) {
    if (answer.empty()) return "empty";
    return OneLineStart(IsValidUtf8(answer) ? Utf8ToAnsi(answer) : ToText(answer));
}

}  // namespace

Text FeedUrl(const Text& keyword, const Text& scanCount) {
    return ConcatText(FeedBase(), Text("/v1/list?f=wxapp&wxapp=pelkoapp&order=time&keyword="),
                      UrlEncode(keyword, {}, true), Text("&offset=0&limit="), scanCount, Text("&category_name="));
}

Text QueryFeed(const Text& keyword, const Text& scanCount, FeedItemList& items, Text* failure) {
    const PreparedVisit visit = PrepareFeedQuery(keyword, scanCount);
    return ReadFeedAnswer(visit, ExchangeVisit(visit), scanCount, items, failure);
}

PreparedVisit PrepareFeedQuery(const Text& keyword, const Text& scanCount) {
    return PrepareVisit(FeedUrl(keyword, scanCount), {.method = 0, .extraHeaders = Text(kFeedUserAgentLine)});
}

Text ReadFeedAnswer(const PreparedVisit& visit, VisitAnswer exchanged, const Text& scanCount,
                    FeedItemList& items, Text* failure) {
    Text headers, transportFailure;
    Bytes answer = FinishVisit(visit, std::move(exchanged),
                               {.method = 0, .returnedHeaders = &headers, .failure = &transportFailure});
    auto failed = [&](const Text& why) {
        if (failure) *failure = why;
        return Text("-1");
    };
    if (failure) failure->clear();
    if (headers.empty()) return failed(transportFailure.empty() ? Text("no answer") : transportFailure);
    if (const int status = StatusCodeOf(headers); status != 200)
        return failed("HTTP " + (status ? ToText(status) : Text("status unreadable")));

    // The answer is parsed as JSON as it stands: decoding its escapes first
    // would break strings holding \" or \n and rewrite %XX inside links.
    JsonDocument document;
    bool loaded = IsValidUtf8(answer) ? document.LoadUtf8(answer) : document.Load(ToText(answer));
    if (!loaded) return failed("not JSON: " + AnswerStart(answer));
    const int codeType = document.GetType("error_code");
    if (codeType == 2 || codeType == 6) {
        const Text code = TrimText(document.GetText("error_code"));
        if (code != "0" && !code.empty()) {
            Text message = document.GetText("error_msg");
            return failed("error_code " + code + (message.empty() ? Text() : " " + OneLineStart(message)));
        }
    }
    if (document.GetType("data.rows") != 5) return failed("no data.rows list in the answer");
    int n = document.GetCount("data.rows");
    if (n < 1) return "0";
    // A faulty answer may hold far more rows than were asked for; each new
    // one would cost two pushes, so the pass would never end.
    const int asked = TextToInt(scanCount);
    if (asked > 0 && n > asked) n = asked;

    items.assign(static_cast<size_t>(n), FeedItem{});
    for (int i = 0; i < n; ++i) {
        FeedItem& item = items[static_cast<size_t>(i)];
        const Text row = "data.rows[" + ToText(i) + "].";
        auto field = [&](const char* name) { return document.GetText(row + name); };
        item.article_mall = field("article_mall");
        item.article_url = field("article_url");
        item.article_subtitle = field("article_subtitle");
        item.article_title = field("article_title");
        item.article_referrals = field("article_referrals");
        item.publish_date_lt = TimestampToText(field("publish_date_lt"));
        item.article_pic = field("article_pic");
        item.article_price = field("article_price");
        item.article_id = field("article_id");
    }
    return ToText(n);
}

}  // namespace pelko

#include "monitor/feed.h"

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

Text FeedUrl(const Text& keyword, const Text& scanCount) {
    return ConcatText(FeedBase(), Text("/v1/list?f=wxapp&wxapp=pelkoapp&order=time&keyword="),
                      UrlEncode(keyword, {}, true), Text("&offset=0&limit="), scanCount, Text("&category_name="));
}

Text QueryFeed(const Text& keyword, const Text& scanCount, FeedItemList& items) {
    Bytes answer = WebVisit(FeedUrl(keyword, scanCount), {.method = 0, .extraHeaders = Text(kFeedUserAgentLine)});

    // The answer is parsed as JSON as it stands: decoding its escapes first
    // would break strings holding \" or \n and rewrite %XX inside links.
    JsonDocument document;
    bool loaded = IsValidUtf8(answer) ? document.LoadUtf8(answer) : document.Load(ToText(answer));
    if (!loaded) return "-1";
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

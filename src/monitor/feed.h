// The list API: one query per keyword, its rows turned into FeedItem records.
#pragma once

#include <vector>

#include "http/web_visit.h"
#include "textutil/text.h"

namespace pelko {

struct FeedItem {
    Text article_mall;
    Text article_url;
    Text article_subtitle;
    Text article_title;
    Text article_referrals;
    Text publish_date_lt;  // already local time text
    Text article_pic;
    Text article_price;
    Text article_id;
};

using FeedItemList = std::vector<FeedItem>;

extern const char kFeedUserAgentLine[];

Text FeedUrl(const Text& keyword, const Text& scanCount);

// "-1" when the query failed: no answer, a status other than 200, an answer
// that is not the list's JSON (an object with "data.rows" an array) or one
// with a non-zero "error_code"; `failure` then says which.  "0" when the
// list is empty, otherwise the number of rows, at most `scanCount` when that
// is a positive number.  `items` is replaced only when there are rows.
Text QueryFeed(const Text& keyword, const Text& scanCount, FeedItemList& items, Text* failure = nullptr);

// QueryFeed in two halves around ExchangeVisit (http/web_visit.h), for a pass
// that asks several keywords at once: the request is prepared and its answer
// read on the pass's thread, in keyword order.
PreparedVisit PrepareFeedQuery(const Text& keyword, const Text& scanCount);
Text ReadFeedAnswer(const PreparedVisit& visit, VisitAnswer exchanged, const Text& scanCount,
                    FeedItemList& items, Text* failure = nullptr);

}  // namespace pelko

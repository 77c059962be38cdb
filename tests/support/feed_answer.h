// List-API answers for tests, written as the service writes them: UTF-8 JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace pelko::testing {

inline std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

struct Row {
    std::string mall, id, referrals, title = U8(u8"标题"), url = "https://deal.example/p/1", subtitle = "9.9",
                                     pic = "https://img.example/1.jpg";
    long long publish = 1600000000;
};

inline std::string FeedAnswer(const std::vector<Row>& rows) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Row& r : rows) {
        list.push_back({{"article_mall", r.mall},
                        {"article_url", r.url},
                        {"article_subtitle", r.subtitle},
                        {"article_title", r.title},
                        {"article_referrals", r.referrals},
                        {"publish_date_lt", r.publish},
                        {"article_pic", r.pic},
                        {"article_price", "1"},
                        {"article_id", r.id}});
    }
    return nlohmann::ordered_json{{"error_code", 0}, {"data", {{"rows", list}}}}.dump();
}

}  // namespace pelko::testing

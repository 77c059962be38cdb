// One list answer of 50 rows (about 40 KB, non-ASCII text as \u escapes),
// loaded and read nine members per row the way the feed query does.
#include <benchmark/benchmark.h>

#include <string>

#include "json/json_document.h"
#include "textutil/timestamp.h"

namespace {

using pelko::JsonDocument;
using pelko::Text;

const char* const kFields[] = {"article_mall", "article_url", "article_subtitle", "article_title",
                               "article_referrals", "publish_date_lt", "article_pic", "article_price",
                               "article_id"};

std::string Escaped(const char16_t* text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (const char16_t* p = text; *p; ++p) {
        if (*p < 0x80) {
            out += static_cast<char>(*p);
            continue;
        }
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) out += hex[(*p >> shift) & 0xF];
    }
    return out;
}

std::string ListAnswer(int rows) {
    std::string json = R"({"error_code":0,"error_msg":"","data":{"total":)" + std::to_string(rows) + R"(,"rows":[)";
    for (int i = 0; i < rows; ++i) {
        if (i) json += ',';
        std::string id = std::to_string(21000000 + i);
        json += R"({"article_id":)" + id;
        json += R"(,"article_title":")" +
                Escaped(u"\u5c0f\u7c73\u7535\u89c6 65\u82f1\u5bf8 4K\u8d85\u9ad8\u6e05 \u5168\u9762\u5c4f\u667a\u80fd"
                        u"\u5e73\u677f\u7535\u89c6\u673a \u9650\u65f6\u79d2\u6740 \u5230\u624b\u4ef7") +
                " #" + id + '"';
        json += R"(,"article_subtitle":")" + Escaped(u"2999\u5143\u5305\u90ae\uff08\u9700\u7528\u5238\uff09") + '"';
        json += R"(,"article_price":")" + Escaped(u"2999\u5143") + '"';
        json += R"(,"article_mall":")" + Escaped(u"\u4eac\u4e1c") + '"';
        json += R"(,"article_referrals":")" + Escaped(u"\u7206\u6599\u8fbe\u4eba") + std::to_string(i) + '"';
        json += R"(,"publish_date_lt":)" + std::to_string(1600000000000LL + i * 60000LL);
        json += R"(,"article_url":"https:\/\/www.example.com\/p\/)" + id + R"(\/?from=list")";
        json += R"(,"article_pic":"https:\/\/img.example.com\/202009\/13\/)" + id + R"(.jpg_a200.jpg")";
        json += R"(,"article_category":{"id":163,"title":")" + Escaped(u"\u5bb6\u7528\u7535\u5668") +
                R"("},"article_tags":[")" + Escaped(u"\u65b0\u54c1") + R"(",")" + Escaped(u"\u5305\u90ae") +
                R"("],"article_comment":12,"article_collection":34,"article_worthy":56,"article_unworthy":1)";
        json += R"(,"article_is_timeout":0,"article_is_sold_out":0,"article_channel_id":1,"article_channel":"youhui")";
        json += R"(,"article_format_date":"09-13"})";
    }
    json += "]}}";
    return json;
}

void ReadRows(JsonDocument& doc, bool convertTime) {
    int n = doc.GetCount("data.rows");
    for (int i = 0; i < n; ++i) {
        const Text row = "data.rows[" + std::to_string(i) + "].";
        for (const char* field : kFields) {
            Text value = doc.GetText(row + field);
            if (convertTime && field == kFields[5]) value = pelko::TimestampToText(value);
            benchmark::DoNotOptimize(value);
        }
    }
}

void BM_ListAnswer_LoadAndRead(benchmark::State& state) {
    const std::string answer = ListAnswer(50);
    for (auto _ : state) {
        JsonDocument doc;
        if (!doc.LoadUtf8(answer)) state.SkipWithError("the answer did not load");
        ReadRows(doc, false);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(answer.size()));
    state.counters["answer_bytes"] = static_cast<double>(answer.size());
}
BENCHMARK(BM_ListAnswer_LoadAndRead)->Unit(benchmark::kMicrosecond);

// The same with the publication time turned into local time text.
void BM_ListAnswer_LoadReadAndTime(benchmark::State& state) {
    const std::string answer = ListAnswer(50);
    for (auto _ : state) {
        JsonDocument doc;
        if (!doc.LoadUtf8(answer)) state.SkipWithError("the answer did not load");
        ReadRows(doc, true);
    }
}
BENCHMARK(BM_ListAnswer_LoadReadAndTime)->Unit(benchmark::kMicrosecond);

void BM_ListAnswer_LoadOnly(benchmark::State& state) {
    const std::string answer = ListAnswer(50);
    for (auto _ : state) {
        JsonDocument doc;
        benchmark::DoNotOptimize(doc.LoadUtf8(answer));
    }
}
BENCHMARK(BM_ListAnswer_LoadOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

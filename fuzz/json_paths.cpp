// A JSON document loaded from outside bytes, then read the way the feed
// query reads it, and along one path taken from the input.  A document that
// loads must write out as JSON that loads again to the same text.
#include "fuzz_support.h"
#include "json/json_document.h"
#include "textutil/text.h"

namespace {

const char* const kFields[] = {"article_mall",      "article_url",     "article_subtitle",
                               "article_title",     "article_referrals", "publish_date_lt",
                               "article_pic",       "article_price",   "article_id"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const bool utf8 = in.ConsumeBool();
    const pelko::Text path = in.ConsumeRandomLengthString(24);
    const std::string body = in.ConsumeRemainingBytesAsString();

    pelko::JsonDocument document;
    const bool loaded = utf8 ? document.LoadUtf8(body) : document.Load(body);

    int n = document.GetCount("data.rows");
    for (int i = 0; i < n && i < 64; ++i) {
        const pelko::Text row = "data.rows[" + pelko::ToText(i) + "].";
        for (const char* field : kFields) (void)document.GetText(row + field);
    }
    (void)document.GetText(path);
    (void)document.GetText(path, true);
    (void)document.GetType(path);
    (void)document.GetCount(path);
    (void)document.Exists(path);
    pelko::TextArray values;
    (void)document.GetValues(values, path, true);

    if (loaded) {
        const pelko::Text json = document.ToJson();
        pelko::JsonDocument again;
        FUZZ_CHECK(again.Load(json));
        FUZZ_CHECK(again.ToJson() == json);
    }
    return 0;
}

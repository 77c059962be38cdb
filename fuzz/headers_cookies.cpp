// Response header blocks and cookie texts as servers send them.
#include <algorithm>

#include "fuzz_support.h"
#include "http/cookies.h"
#include "http/url.h"
#include "textutil/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    // Texts end at their first NUL; the answer's header text is cut there.
    pelko::Text sent = pelko::fuzz::AsText(in.ConsumeRandomLengthString(256));
    const pelko::Text block = pelko::fuzz::AsText(in.ConsumeRemainingBytesAsString());

    const pelko::Text normalised = pelko::NormaliseHeaderBlock(block);
    FUZZ_CHECK(pelko::NormaliseHeaderBlock(normalised) == normalised);

    pelko::Text returned = pelko::ExtractSetCookies(block);
    const pelko::Text merged = pelko::MergeCookies(sent, returned);
    FUZZ_CHECK(merged == sent);
    // No item twice and no deleted cookie in what is sent next.
    pelko::TextArray items = pelko::SplitText(merged, pelko::Text("; "));
    for (size_t i = 0; i < items.size(); ++i) {
        FUZZ_CHECK(pelko::RightText(items[i], 8) != "=deleted");
        FUZZ_CHECK(std::find(items.begin() + static_cast<long>(i) + 1, items.end(), items[i]) == items.end());
    }
    return 0;
}

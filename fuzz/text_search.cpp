// SplitText, ReplaceText and FindText against a plain reference: a list of
// character starts computed once, then matches tried only at those starts.
#include <vector>

#include "fuzz_support.h"
#include "textutil/text.h"

namespace {

using pelko::Text;

// The width of the character at byte i: a byte of 0x80 or more leads two,
// unless it is the last.
size_t Width(const std::string& text, size_t i) {
    return static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
}

// Byte offsets where characters start when walking from `from`.
std::vector<size_t> Starts(const std::string& text, size_t from) {
    std::vector<size_t> starts;
    for (size_t i = from; i < text.size(); i += Width(text, i)) starts.push_back(i);
    return starts;
}

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool Same(const std::string& text, size_t at, const std::string& sub, bool fold) {
    if (at + sub.size() > text.size()) return false;
    for (size_t k = 0; k < sub.size(); ++k) {
        char a = text[at + k], b = sub[k];
        if (fold ? Fold(a) != Fold(b) : a != b) return false;
    }
    return true;
}

int RefFind(const std::string& text, const std::string& sub, int start, bool fold) {
    int s = start < 1 ? 1 : start;
    if (static_cast<size_t>(s) > text.size()) return -1;
    if (sub.empty()) return 1;
    for (size_t at : Starts(text, static_cast<size_t>(s - 1)))
        if (Same(text, at, sub, fold)) return static_cast<int>(at) + 1;
    return -1;
}

Text RefReplace(const std::string& text, const std::string& sub, const std::string& rep, int start, int count,
                bool fold) {
    int s = start < 1 ? 1 : start;
    if (text.empty() || sub.empty() || static_cast<size_t>(s - 1) >= text.size() || count == 0) return text;
    Text out = text.substr(0, static_cast<size_t>(s - 1));
    int made = 0;
    size_t i = static_cast<size_t>(s - 1);
    while (i < text.size()) {
        if ((count < 0 || made < count) && Same(text, i, sub, fold)) {
            out += rep;
            i += sub.size();
            ++made;
            continue;
        }
        // One character, or everything left once no more matches are wanted.
        size_t w = (count >= 0 && made >= count) ? text.size() - i : Width(text, i);
        out += text.substr(i, w);
        i += w;
    }
    return out;
}

std::vector<Text> RefSplit(const std::string& text, const std::string& sep, int maxItems) {
    std::vector<Text> items;
    if (text.empty() || maxItems == 0) return items;
    if (sep.empty()) return {text};
    size_t cut = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (Same(text, i, sep, false)) {
            items.push_back(text.substr(cut, i - cut));
            if (maxItems > 0 && static_cast<int>(items.size()) == maxItems) return items;
            i += sep.size();
            cut = i;
        } else {
            i += Width(text, i);
        }
    }
    if (cut < text.size()) items.push_back(text.substr(cut));
    return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const bool fold = in.ConsumeBool();
    const int start = in.ConsumeIntegralInRange<int>(-2, 40);
    const int count = in.ConsumeIntegralInRange<int>(-2, 6);
    const std::string sub = in.ConsumeRandomLengthString(8);
    const std::string rep = in.ConsumeRandomLengthString(8);
    const std::string text = in.ConsumeRemainingBytesAsString();

    FUZZ_CHECK(pelko::FindText(text, sub, start, fold ? 1 : 0) == RefFind(text, sub, start, fold));
    if (start == 1) FUZZ_CHECK(pelko::FindText(text, sub, {}, fold ? 1 : 0) == RefFind(text, sub, 1, fold));

    // A negative count means every match.
    pelko::Opt<int> countArg;
    if (count >= 0) countArg = count;
    FUZZ_CHECK(pelko::ReplaceText(text, sub, rep, start, countArg, !fold) ==
               RefReplace(text, sub, rep, start, count < 0 ? -1 : count, fold));

    pelko::Opt<int> maxArg;
    if (count >= 0) maxArg = count;
    FUZZ_CHECK(pelko::SplitText(text, sub, maxArg) == RefSplit(text, sub, count < 0 ? -1 : count));
    return 0;
}

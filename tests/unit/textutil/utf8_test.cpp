#include "textutil/utf8.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

// Each boundary of the well-formed ranges, from both sides.
TEST(Utf8, WellFormedRanges) {
    const struct {
        const char* bytes;
        bool valid;
        const char* why;
    } cases[] = {
        {"", true, "empty"},
        {"a\x7F", true, "ASCII"},
        {"\xC2\x80", true, "smallest two-byte form"},
        {"\xDF\xBF", true, "largest two-byte form"},
        {"\xC0\x80", false, "overlong NUL"},
        {"\xC1\xBF", false, "overlong two-byte form"},
        {"\xE0\xA0\x80", true, "smallest three-byte form"},
        {"\xE0\x9F\xBF", false, "overlong three-byte form"},
        {"\xE0\x80\x80", false, "overlong three-byte NUL"},
        {"\xED\x9F\xBF", true, "last before the surrogates"},
        {"\xED\xA0\x80", false, "first high surrogate"},
        {"\xED\xBF\xBF", false, "last low surrogate"},
        {"\xEE\x80\x80", true, "first after the surrogates"},
        {"\xEF\xBF\xBF", true, "largest three-byte form"},
        {"\xF0\x90\x80\x80", true, "smallest four-byte form"},
        {"\xF0\x8F\xBF\xBF", false, "overlong four-byte form"},
        {"\xF4\x8F\xBF\xBF", true, "U+10FFFF"},
        {"\xF4\x90\x80\x80", false, "above U+10FFFF"},
        {"\xF5\x80\x80\x80", false, "lead byte beyond the range"},
        {"\xFF", false, "never a UTF-8 byte"},
        {"\x80", false, "stray trail byte"},
        {"\xE4\xBD", false, "cut short"},
        {"\xE4\xBD\xA0\xE5\xA5\xBD", true, "two Chinese characters"},
        {"\xE4\xBD" "a", false, "trail byte missing in the middle"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.why;
        // The decoder agrees with the check, character by character.
        const std::string_view s = c.bytes;
        bool all = true;
        for (size_t i = 0; i < s.size();) {
            const Utf8Char ch = DecodeUtf8(s, i);
            all = all && ch.valid;
            i += ch.length;
        }
        EXPECT_EQ(all, c.valid) << c.why;
    }
}

TEST(Utf8, OneReplacementPerMaximalIllFormedSubpart) {
    const std::u16string r = u"\uFFFD";
    const struct {
        std::string bytes;
        std::u16string units;
    } cases[] = {
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", u"a" + r + r + r + u"b" + r + u"c" + r + r + u"d"},
        {"\xE0\x80" "a", r + r + u"a"},                  // E0 never takes 80: two subparts
        {"\xF4\x90\x80\x80", r + r + r + r},             // nor does F4 take 90
        {"\xF0\x9F\x98" "a", r + u"a"},                   // a cut-short emoji is one
        {"\xC2" "\xE4\xBD\xA0", r + u"你"},               // a bad byte never takes a good one
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"\xEF\xBF\xBD", r},                              // a real U+FFFD reads as itself
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.bytes), c.units) << testing::PrintToString(c.bytes);
    EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));
}

TEST(Utf8, FromUtf16) {
    const struct {
        std::u16string units;
        std::string bytes;
    } cases[] = {
        {u"a\u00E9\u4F60", "a\xC3\xA9\xE4\xBD\xA0"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        {std::u16string(1, 0xDC00) + u"a", "\xEF\xBF\xBD" "a"},      // low surrogate alone
        {std::u16string(1, 0xD83D), "\xEF\xBF\xBD"},                 // high surrogate at the end
        {std::u16string{0xD83D, 0xD83D, 0xDE00}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {std::u16string{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},  // pair in the wrong order
    };
    for (const auto& c : cases) {
        const std::string out = Utf16ToUtf8(c.units);
        EXPECT_EQ(out, c.bytes);
        EXPECT_TRUE(IsValidUtf8(out));
    }
}

}  // namespace
}  // namespace pelko

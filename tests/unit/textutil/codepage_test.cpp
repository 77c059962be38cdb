#include "textutil/codepage.h"

#include <gtest/gtest.h>

#include "textutil/codepage_os.h"

namespace pelko {
namespace {

TEST(UrlEncode, EveryByteUnlessKept) {
    const struct {
        Text text;
        Opt<bool> keep, viaUtf8;
        Text expected;
    } cases[] = {
        {"abc 1", {}, true, "%61%62%63%20%31"},
        {"你好", {}, true, "%E4%BD%A0%E5%A5%BD"},
        {"你好", {}, false, "%C4%E3%BA%C3"},
        {"你好", {}, {}, "%C4%E3%BA%C3"},
        {"a-b_c.d~", true, false, "a-b%5Fc.d%7E"},
        {"Az09 +&=", true, true, "Az09%20%2B%26%3D"},
        {"\n", {}, {}, "%0A"},
        {"手机 iPhone", true, true, "%E6%89%8B%E6%9C%BA%20iPhone"},
        {"\x80", true, true, "%E2%82%AC"},  // 0x80 is the euro sign, as on Windows
        {"", true, true, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(UrlEncode(c.text, c.keep, c.viaUtf8), c.expected) << c.text;
}

TEST(CodePages, ChineseTextBothWays) {
    EXPECT_EQ(AnsiToUtf8("plain ASCII ~"), "plain ASCII ~");
    EXPECT_EQ(AnsiToUtf8("你好"), "\xE4\xBD\xA0\xE5\xA5\xBD");
    EXPECT_EQ(AnsiToUtf8("Pelko爆料监控"), std::string(reinterpret_cast<const char*>(u8"Pelko爆料监控")));
    EXPECT_EQ(Utf8ToAnsi(reinterpret_cast<const char*>(u8"已爆料商品.ini")), "已爆料商品.ini");
    EXPECT_EQ(Utf8ToAnsi("\xE2\x82\xAC"), "\x80");
    // Characters the code page lacks become "?", one per character.
    EXPECT_EQ(Utf8ToAnsi("a\xF0\x9F\x98\x80" "b\xED\x95\x9C" "c"), "a?b?c");  // an emoji, a Hangul syllable
    EXPECT_EQ(AnsiToUtf8(std::string("ab\0cd", 5)), "ab");  // a text ends at its NUL
}

TEST(CodePages, BadBytesBecomeReplacementCharacters) {
    const std::u16string r = u"\uFFFD";
    EXPECT_EQ(os::DecodeToUtf16("a\xB1", 936), u"a" + r);            // lead byte at the end
    EXPECT_EQ(os::DecodeToUtf16("\xB1\x0A" "b", 936), r + u"\nb");   // a line feed is no trail byte
    EXPECT_EQ(os::DecodeToUtf16("\xFF" "a", 936), r + u"a");
#ifdef _WIN32
    // Windows maps GBK's user-defined area to private-use characters, so such
    // bytes come back unchanged from a round trip.
    EXPECT_EQ(os::DecodeToUtf16("\xC4\xE3" "\xA2\xA0" "x", 936), u"你\uE585x");
    EXPECT_EQ(os::EncodeFromUtf16(u"\uE585", 936), "\xA2\xA0");
#else
    EXPECT_EQ(os::DecodeToUtf16("\xC4\xE3" "\xA2\xA0" "x", 936), u"你" + r + u"x");  // unassigned pair: one
#endif
    EXPECT_EQ(os::DecodeToUtf16("a\xC3\x28" "b\xE4\xBD", 65001), u"a" + r + u"(b" + r);
    EXPECT_EQ(os::DecodeToUtf16("\xED\xA0\x80", 65001), r + r + r);  // an encoded surrogate
    EXPECT_EQ(os::DecodeToUtf16("\xF0\x9F\x98\x80", 65001), u"\U0001F600");
    EXPECT_EQ(os::EncodeFromUtf16(u"\xD800" "a", 65001), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(os::EncodeFromUtf16(u"\xDC00\xD800", 936), "??");
}

TEST(CodePages, Utf16ByteSets) {
    Bytes units = MultiByteToUtf16("你A", 936);
    EXPECT_EQ(units, Bytes(std::string("\x60\x4F" "A\0\0\0", 6)));  // with its zero unit
    EXPECT_EQ(MultiByteToUtf16("\xE4\xBD\xA0"), Bytes(std::string("\x60\x4F\0\0", 4)));  // UTF-8 by default
    EXPECT_EQ(MultiByteToUtf16(""), Bytes(std::string("\0\0", 2)));
    EXPECT_EQ(Utf16ToMultiByte(units), "你A");
    EXPECT_EQ(Utf16ToMultiByte(units, 65001), "\xE4\xBD\xA0" "A");
    EXPECT_EQ(Utf16ToMultiByte(Bytes(std::string("A\0\0\0B\0", 6))), "A");  // up to the first zero unit
    EXPECT_EQ(Utf16ToMultiByte(Bytes(std::string("A\0B", 3))), "A");        // an odd byte is no unit
}

TEST(CodePages, EveryDoubleByteCharacterRoundTrips) {
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const Text ch{static_cast<char>(lead), static_cast<char>(trail)};
            std::u16string u = os::DecodeToUtf16(ch, 936);
            ASSERT_EQ(u.size(), 1u) << std::hex << lead << " " << trail;
            if (u[0] == 0xFFFD) continue;  // not in the table
            ASSERT_EQ(os::EncodeFromUtf16(u, 936), ch) << std::hex << lead << " " << trail;
            ++checked;
        }
    }
    EXPECT_GT(checked, 21000);
}

}  // namespace
}  // namespace pelko

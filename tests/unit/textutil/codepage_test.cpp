#include "textutil/codepage.h"

#include <gtest/gtest.h>

#include "textutil/utf8.h"

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
    EXPECT_EQ(AnsiToUtf16("a\xB1"), u"a" + r);            // lead byte at the end
    EXPECT_EQ(AnsiToUtf16("\xB1\x0A" "b"), r + u"\nb");   // a line feed is no trail byte
    EXPECT_EQ(AnsiToUtf16("\xFF" "a"), r + u"a");
    EXPECT_EQ(AnsiToUtf16("\xC4\xE3" "\xA2\xE3" "x"), u"你" + r + u"x");  // unassigned pair: one
    EXPECT_EQ(AnsiToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));  // no end at a NUL here
    EXPECT_EQ(Utf8ToUtf16("a\xC3\x28" "b\xE4\xBD"), u"a" + r + u"(b" + r);
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), r + r + r);  // an encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(u"\xD800" "a"), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(Utf16ToAnsi(u"\xDC00\xD800"), "??");
}

// GBK's user-defined area is private use on every platform, so its bytes
// survive a round trip; other private-use characters are not in the code page.
TEST(CodePages, UserDefinedAreaIsPrivateUse) {
    const struct {
        Text gbk;
        char16_t unit;
    } cases[] = {
        {"\xAA\xA1", 0xE000}, {"\xAA\xFE", 0xE05D}, {"\xAB\xA1", 0xE05E}, {"\xAF\xFE", 0xE233},
        {"\xF8\xA1", 0xE234}, {"\xFE\xFE", 0xE4C5},
        {"\xA1\x40", 0xE4C6}, {"\xA1\x7E", 0xE504}, {"\xA1\x80", 0xE505}, {"\xA2\xA0", 0xE585},
        {"\xA7\xA0", 0xE765},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnsiToUtf16("\xC4\xE3" + c.gbk + "x"), u"你" + std::u16string(1, c.unit) + u"x") << std::hex << unsigned(c.unit);
        EXPECT_EQ(Utf16ToAnsi(u"x" + std::u16string(1, c.unit) + u"你"), "x" + c.gbk + "\xC4\xE3") << std::hex << unsigned(c.unit);
    }
    EXPECT_EQ(Utf8ToAnsi("\xEE\x80\x80"), "\xAA\xA1");
    EXPECT_EQ(AnsiToUtf8("\xAA\xA1"), "\xEE\x80\x80");
    EXPECT_EQ(Utf16ToAnsi(u"a\uE766\uF8FFb"), "a??b");
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
            std::u16string u = AnsiToUtf16(ch);
            ASSERT_EQ(u.size(), 1u) << std::hex << lead << " " << trail;
            if (u[0] == 0xFFFD) continue;  // not in the table
            ASSERT_EQ(Utf16ToAnsi(u), ch) << std::hex << lead << " " << trail;
            ++checked;
        }
    }
    EXPECT_GT(checked, 21000);
}

// Both converters must read and write the same table: a text saved on one
// system has to mean the same on the other.  The digest covers every
// double-byte cell and every character of the basic plane.
TEST(CodePages, SameTableOnEveryPlatform) {
    uint64_t digest = 14695981039346656037ull;
    auto add = [&](unsigned v) { digest = (digest ^ v) * 1099511628211ull; };
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 0x40; trail <= 0xFF; ++trail) {
            for (char16_t u : AnsiToUtf16(Text{static_cast<char>(lead), static_cast<char>(trail)})) add(u);
            add(0x10000);
        }
    }
    for (unsigned u = 0x80; u <= 0xFFFF; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        for (char c : Utf16ToAnsi(std::u16string(1, static_cast<char16_t>(u)))) add(static_cast<unsigned char>(c));
        add(0x10000);
    }
    EXPECT_EQ(digest, 7385879437375757499ull);
}

}  // namespace
}  // namespace pelko

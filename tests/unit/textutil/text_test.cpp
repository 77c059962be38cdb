#include "textutil/text.h"

#include <gtest/gtest.h>

#include <climits>

namespace pelko {
namespace {

const Opt<int> kOmitted;

TEST(FindText, PositionsStartsAndTheDoubleByteWalk) {
    const struct {
        Text text, sub;
        Opt<int> start;
        int ignoreCase, expected;
    } cases[] = {
        {"abcb", "b", kOmitted, 0, 2},
        {"abcb", "b", 3, 0, 4},
        {"abcb", "b", 5, 0, -1},
        {"abcb", "b", -4, 0, 2},  // a start below 1 counts as 1
        {"abc", "", kOmitted, 0, 1},
        {"abc", "", 3, 0, 1},
        {"abc", "", 4, 0, -1},
        {"", "", kOmitted, 0, -1},
        {"", "a", kOmitted, 0, -1},
        {"ab", "abc", kOmitted, 0, -1},
        {"\xB1\xBC" "C", "\xBC" "C", kOmitted, 0, -1},  // no match on a trail byte
        {"\xB1\xBC" "C", "C", kOmitted, 0, 3},
        {"a\xB1\xBC" "C", "\xBC" "C", 3, 0, 3},  // the walk starts at the start given
        {"你好你好", "好", kOmitted, 0, 3},
        {"你好你好", "好", 5, 0, 7},
        {"你好你好", "好", 4, 0, -1},  // a start on a trail byte shifts the walk off every boundary
        {"ab\xB1", "\xB1", kOmitted, 0, 3},  // a lead byte before the end is one byte
        {"Content-Type: x", "content-type", kOmitted, 1, 1},
        {"Content-Type: x", "content-type", kOmitted, 0, -1},
        {"Content-Type: x", "content-type", kOmitted, 2, -1},  // only 1 folds case
        {"a[b", "{", kOmitted, 1, -1},  // folding touches letters only
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindText(c.text, c.sub, c.start, c.ignoreCase), c.expected)
            << c.text << " / " << c.sub << " from " << c.start.value_or(0);
}

TEST(FindTextReverse, LastMatchInsideTheRegion) {
    const struct {
        Text text, sub;
        Opt<int> start;
        int ignoreCase, expected;
    } cases[] = {
        {"abcb", "b", kOmitted, 0, 4},
        {"abcb", "b", 4, 0, 2},   // region "abc"
        {"abcb", "b", 1, 0, -1},  // empty region
        {"abcb", "b", 99, 0, 4},
        {"abcb", "cb", 4, 0, -1},  // must lie wholly inside
        {"abc", "", kOmitted, 0, 1},
        {"abc", "", 1, 0, -1},
        {"aXbx", "x", kOmitted, 1, 4},
        {"aXbx", "x", 4, 1, 2},
        {"\xB1\xBC\xB1\xBC", "\xBC\xB1", kOmitted, 0, -1},  // straddles two characters
        {"你好你好", "你", kOmitted, 0, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindTextReverse(c.text, c.sub, c.start, c.ignoreCase), c.expected)
            << c.text << " / " << c.sub << " before " << c.start.value_or(0);
}

TEST(ReplaceText, CountStartCaseAndTheWalk) {
    const Opt<Text> none;
    const struct {
        Text text, sub;
        Opt<Text> rep;
        Opt<int> start, count;
        bool caseSensitive;
        Text expected;
    } cases[] = {
        {"a\r\nb\r\n", "\r\n", Text("{$}"), kOmitted, kOmitted, true, "a{$}b{$}"},
        {"a\r\nb\r\n", "\r\n", Text("{$}"), kOmitted, 1, true, "a{$}b\r\n"},
        {"a\r\nb\r\n", "\r\n", none, kOmitted, kOmitted, true, "ab"},
        {"a\r\nb\r\n", "\r\n", Text("{$}"), kOmitted, 0, true, "a\r\nb\r\n"},
        {"a\r\nb\r\n", "\r\n", Text("{$}"), kOmitted, -1, true, "a{$}b{$}"},
        {"xaxaxa", "a", Text("-"), 3, kOmitted, true, "xax-x-"},  // bytes before start stay
        {"xaxaxa", "a", Text("-"), 3, 1, true, "xax-xa"},
        {"xaxaxa", "a", Text("-"), 0, 1, true, "x-xaxa"},
        {"abc", "c", Text("-"), 3, kOmitted, true, "ab-"},
        {"abc", "c", Text("-"), 4, kOmitted, true, "abc"},  // start - 1 >= length
        {"", "a", Text("-"), kOmitted, kOmitted, true, ""},
        {"abc", "", Text("-"), kOmitted, kOmitted, true, "abc"},
        {"ABC abc", "abc", Text("x"), kOmitted, kOmitted, false, "x x"},
        {"ABC abc", "abc", Text("x"), kOmitted, kOmitted, true, "ABC x"},
        {"aaa", "aa", Text("b"), kOmitted, kOmitted, true, "ba"},  // no overlaps
        {"aa", "a", Text("aa"), kOmitted, kOmitted, true, "aaaa"},  // replaced text is not searched again
        {"\xB1\xBC" "C\xBC" "C", "\xBC" "C", Text("!"), kOmitted, kOmitted, true, "\xB1\xBC" "C!"},
        {"你好\xB1", "\xB1", Text("!"), kOmitted, kOmitted, true, "你好!"},  // lone lead at the end
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceText(c.text, c.sub, c.rep, c.start, c.count, c.caseSensitive), c.expected)
            << c.text << " / " << c.sub;
}

TEST(SplitText, SeparatorsLimitsAndEmptyItems) {
    const Opt<Text> omitted;
    const struct {
        Text text;
        Opt<Text> sep;
        Opt<int> maxItems;
        TextArray expected;
    } cases[] = {
        {"a,,b", omitted, kOmitted, {"a", "", "b"}},
        {"a,b,", omitted, kOmitted, {"a", "b"}},
        {",a", omitted, kOmitted, {"", "a"}},
        {",", omitted, kOmitted, {""}},
        {"", omitted, kOmitted, {}},
        {"a,b,c", omitted, 2, {"a", "b"}},
        {"a,b", omitted, 2, {"a", "b"}},
        {"a,b,c", omitted, 0, {}},
        {"a,b,c", omitted, -3, {}},
        {"abc", Text(""), kOmitted, {"abc"}},
        {"abc", omitted, kOmitted, {"abc"}},
        {"a||b|c", Text("||"), kOmitted, {"a", "b|c"}},
        {"手机 耳机", Text(" "), kOmitted, {"手机", "耳机"}},
        {"手机\xA1\xA1耳机", Text("\xA1\xA1"), kOmitted, {"手机", "耳机"}},
        // 0x7C can be a trail byte: "\x81|" is one character, not a cut
        {"a|\x81|b", Text("|"), kOmitted, {"a", "\x81|b"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitText(c.text, c.sep, c.maxItems), c.expected) << c.text;
}

TEST(TextToInt, FoldsFullWidthAndWrapsAround) {
    const struct {
        Text text;
        int32_t expected;
    } cases[] = {
        {"  42abc", 42},
        {"-7", -7},
        {"+8", 8},
        {"\t\r\n\v\f9", 9},
        {"0x1A", 0},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"\xA3\xB1\xA3\xB2", 12},           // full-width 1 2
        {"\xA1\xA1\xA3\xAD\xA3\xB3", -3},   // full-width space, minus, 3
        {"\xA3\xB1" "2", 12},
        {"4294967297", 1},
        {"2147483648", INT32_MIN},
        {"-2147483649", INT32_MAX},
        {"2147483647", INT32_MAX},
    };
    for (const auto& c : cases) EXPECT_EQ(TextToInt(c.text), c.expected) << c.text;
    EXPECT_EQ(TextToInt(3.9), 3);
    EXPECT_EQ(TextToInt(-3.9), -3);
}

TEST(TrimText, HalfAndFullWidthSpacesOnly) {
    const struct {
        Text in, out;
    } cases[] = {
        {"\xA1\xA1\xA1\xA1" "ab ", "ab"},
        {"\tab\r\n", "\tab\r\n"},
        {"   ", ""},
        {" a b ", "a b"},
        {" \xB1\xA1\xA1\xA1 ", "\xB1\xA1"},  // the A1 after a lead byte is its trail, not a space
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TrimText(c.in), c.out) << c.in;
}

TEST(TextOperations, CuttingAndComparing) {
    EXPECT_EQ(MidText("abcdef", 5, 10), "ef");
    EXPECT_EQ(MidText("abcdef", 7, 1), "");
    EXPECT_EQ(MidText("abcdef", 0, 2), "");
    EXPECT_EQ(MidText("abcdef", 2, 0), "");
    EXPECT_EQ(LeftText("abc", 5), "abc");
    EXPECT_EQ(LeftText("abc", -1), "");
    EXPECT_EQ(RightText("abc", 2), "bc");
    EXPECT_EQ(RightText("abc", 0), "");
    EXPECT_EQ(CompareText("\x80", "a"), 1);  // bytes compare unsigned
    EXPECT_EQ(CompareText("ab", "abc"), -1);
    EXPECT_EQ(CompareText("", ""), 0);
    EXPECT_EQ(CompareText("B", "a"), -1);
    EXPECT_TRUE(TextStartsWith("abc", ""));
    EXPECT_FALSE(TextStartsWith("ab", "abc"));
    EXPECT_EQ(CharCode("\xB1" "a"), -79);
    EXPECT_EQ(CharCode("\xB1" "a", 2), 'a');
    EXPECT_EQ(CharCode("a", 2), 0);
    EXPECT_EQ(CharFromCode(0x141), "A");
    EXPECT_EQ(CharFromCode(256), "");
    EXPECT_EQ(ToUpperText("a\xB1" "ab"), "A\xB1" "aB");  // a trail byte is no letter
    EXPECT_EQ(ToLowerText("A\xB1" "AB"), "a\xB1" "Ab");
    EXPECT_EQ(BlankText(3), "   ");
    EXPECT_EQ(BlankText(0), "");
}

TEST(ToText, NumbersAndByteSets) {
    const struct {
        double value;
        Text text;
    } doubles[] = {
        {3.0, "3"}, {1.0, "1"}, {0.1, "0.1"}, {-2.5, "-2.5"}, {1234567890123.0, "1234567890123"},
        {12345678901234.0, "1.234567890123e+13"}, {1.0 / 3, "0.3333333333333"},
    };
    for (const auto& d : doubles) EXPECT_EQ(ToText(d.value), d.text);
    EXPECT_EQ(ToText(-15), "-15");
    EXPECT_EQ(ToText(Bytes(std::string("ab\0c", 4))), "ab");
    EXPECT_EQ(ToText(Bytes("abc")), "abc");
    EXPECT_EQ(ToHexText(255), "FF");
    EXPECT_EQ(ToHexText(10), "A");
    EXPECT_EQ(ToHexText(-1), "FFFFFFFF");
}

TEST(ByteSets, CutReplaceCompare) {
    const Bytes b(std::string("a\0b\0c", 5));
    EXPECT_EQ(BytesLength(b), 5);
    EXPECT_EQ(BytesLeft(b, 2), Bytes(std::string("a\0", 2)));
    EXPECT_EQ(BytesLeft(b, -1), Bytes());
    EXPECT_EQ(BytesMid(b, 0, 1), Bytes("a"));      // start clamped to 1
    EXPECT_EQ(BytesMid(b, 9, 1), Bytes());         // and to length + 1
    EXPECT_EQ(BytesMid(b, 3, -2), Bytes());
    EXPECT_EQ(BytesMid(b, 3, 9), Bytes(std::string("b\0c", 3)));
    EXPECT_EQ(ReplaceBytes(b, std::string("\0", 1), std::string("-")), Bytes("a-b-c"));
    EXPECT_EQ(ReplaceBytes(b, std::string("\0", 1), std::string("-"), 3, 1), Bytes(std::string("a\0b-c", 5)));
    EXPECT_EQ(ReplaceBytes(b, std::string("\0", 1), std::string("-"), 6), b);
    EXPECT_EQ(ReplaceBytes(Bytes("\xB1\xBC" "C"), "\xBC" "C", {}), Bytes("\xB1"));  // raw bytes: no walk
    EXPECT_EQ(BlankBytes(2), Bytes(std::string("\0\0", 2)));
    EXPECT_EQ(CompareBytes(Bytes("ab\x90"), Bytes("ab\x10"), 3), 1);
    EXPECT_EQ(CompareBytes(Bytes("abx"), Bytes("aby"), 2), 0);
    EXPECT_EQ(CompareBytes(Bytes("a"), Bytes("b"), 0), 0);
    EXPECT_EQ(ToBytes(std::string("ab\0c", 4)), Bytes("ab"));
}

}  // namespace
}  // namespace pelko

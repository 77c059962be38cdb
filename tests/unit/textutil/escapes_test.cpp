#include "textutil/escapes.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

TEST(DecodeUnicodeEscapes, ResolvesLiteralAndUnescapeForms) {
    const struct {
        Text in, out;
    } cases[] = {
        {"x\\u4f60\\u597dy", "x你好y"},
        {"\\u4F60", "你"},
        {"\\U4f60", "U4f60"},  // not an escape: the lone backslash is dropped
        {"a\r\nb", "a\r\nb"},
        {"it's 'quoted'", "it's 'quoted'"},
        {"a\xA1\xAF" "b", "a'b"},  // the apostrophe's stand-in becomes an apostrophe
        {"a{$}b", "a\r\nb"},        // and the line break's stand-in a line break
        {"a\\\"b", "a\"b"},
        {"a\\/b", "a/b"},
        {"a\\\\b", "a\\b"},
        {"a\\\\u4f60", "a你"},  // "\u" becomes "%u" first, so the first backslash escapes "%"
        {"\\n\\t\\r\\b\\f\\v", "\n\t\r\b\f\v"},
        {"\\101\\60\\0x", std::string("A0\0x", 4)},
        {"\\477", "'7"},  // octal from 4-7 takes two digits
        {"\\x41\\xZ", "AxZ"},
        {"x%41y", "xAy"},
        {"100%", "100%"},
        {"%u4f60%u597D %zz %4", "你好 %zz %4"},
        {"\\u2019", "'"},  // decodes to the apostrophe's stand-in
        {"\x81\x5Cn", "\x81\x5Cn"},  // a trail byte 0x5C is no backslash
        {"", ""},
        {"\rab", "ab"},
        {"x\xD6 u\xC4" "e\xD0\xCEt", "x\xD6 u\xC4" "e\xD0\xCEt"},  // not code page 936 text, nothing to decode
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeUnicodeEscapes(c.in), c.out) << c.in;
}

TEST(DecodeUnicodeEscapes, UnreadableTextComesBackUnchanged) {
    for (const Text& in : {Text("a\nb\\u4f60"), Text("a\rb\\u4f60"), Text("line\n"), Text("tail\\"),
                           Text("\\u4f60 and a final \\")}) {
        Text expected = in.back() == '\\' ? in : ReplaceText(in, "\\u4f60", Text("你"));
        EXPECT_EQ(DecodeUnicodeEscapes(in), expected) << in;
    }
}

TEST(UnicodeBytesToText, ReadsUtf16LittleEndian) {
    EXPECT_EQ(UnicodeBytesToText(Bytes(std::string("\x60\x4f\x7d\x59" "A\0", 6))), "你好A");
    EXPECT_EQ(UnicodeBytesToText(Bytes(std::string("A\0B", 3))), "A");  // an odd last byte is no unit
    EXPECT_EQ(UnicodeBytesToText(Bytes()), "");
    EXPECT_EQ(UnicodeBytesToText(Bytes("ab")), "\x92\x4C");  // code page 936 bytes read as UTF-16: U+6261
}

}  // namespace
}  // namespace pelko

#include "textutil/escapes.h"

#include "textutil/codepage.h"

namespace pelko {

namespace {

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads `count` hexadecimal digits at `at`; -1 when they are not all there.
int HexUnits(std::u16string_view s, size_t at, size_t count) {
    if (at + count > s.size()) return -1;
    int value = 0;
    for (size_t k = 0; k < count; ++k) {
        int h = HexValue(s[at + k]);
        if (h < 0) return -1;
        value = value * 16 + h;
    }
    return value;
}

bool IsLineBreak(char16_t c) { return c == u'\n' || c == u'\r'; }

// %uXXXX and %XX; any other "%" stays.
std::u16string Unescape(std::u16string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'%') {
            if (i + 1 < s.size() && s[i + 1] == u'u') {
                int v = HexUnits(s, i + 2, 4);
                if (v >= 0) {
                    out += static_cast<char16_t>(v);
                    i += 5;
                    continue;
                }
            }
            int v = HexUnits(s, i + 1, 2);
            if (v >= 0) {
                out += static_cast<char16_t>(v);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

const char kCrLfMark[] = "{$}";
const char kApostropheMark[] = "\xA1\xAF";  // the right single quotation mark in code page 936

}  // namespace

Opt<std::u16string> ReadStringLiteral(std::u16string_view body, char16_t quote, bool allowLineBreaks) {
    std::u16string out;
    out.reserve(body.size());
    for (size_t i = 0; i < body.size(); ++i) {
        char16_t c = body[i];
        if (c == quote) return std::nullopt;
        if (IsLineBreak(c) && !allowLineBreaks) return std::nullopt;
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (i + 1 == body.size()) return std::nullopt;
        char16_t e = body[++i];
        switch (e) {
            case u'b': out += u'\b'; break;
            case u't': out += u'\t'; break;
            case u'n': out += u'\n'; break;
            case u'v': out += u'\v'; break;
            case u'f': out += u'\f'; break;
            case u'r': out += u'\r'; break;
            case u'x':
            case u'u': {
                size_t digits = e == u'x' ? 2 : 4;
                int v = HexUnits(body, i + 1, digits);
                if (v < 0) {
                    out += e;  // lenient: no digits, the letter stands for itself
                } else {
                    out += static_cast<char16_t>(v);
                    i += digits;
                }
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    // Octal: up to three digits from 0-3, up to two from 4-7.
                    int v = e - u'0';
                    size_t more = e <= u'3' ? 2 : 1;
                    while (more-- > 0 && i + 1 < body.size() && body[i + 1] >= u'0' && body[i + 1] <= u'7')
                        v = v * 8 + (body[++i] - u'0');
                    out += static_cast<char16_t>(v);
                } else if (IsLineBreak(e) && !allowLineBreaks) {
                    return std::nullopt;
                } else {
                    out += e;
                }
        }
    }
    return out;
}

Text DecodeUnicodeEscapes(const Text& text) {
    if (text.empty()) return {};
    Text prepared = ReplaceText(text, "\r\n", Text(kCrLfMark));
    if (!prepared.empty() && prepared[0] == '\r') prepared.erase(0, 1);
    if (FindText(prepared, "\\u") > 0) prepared = ReplaceText(prepared, "\\u", Text("%u"));
    prepared = ReplaceText(prepared, "'", Text(kApostropheMark));

    Text result;
    if (prepared.find_first_of("\\%") == Text::npos) {
        // Nothing to decode: skipping the trip through UTF-16 keeps bytes that
        // are not code page 936 text as they were.
        result = std::move(prepared);
    } else {
        Opt<std::u16string> literal = ReadStringLiteral(AnsiToUtf16(prepared), u'\'', true);
        if (!literal) return text;
        result = Utf16ToAnsi(Unescape(*literal));
    }
    result = ReplaceText(result, kApostropheMark, Text("'"));
    return ReplaceText(result, kCrLfMark, Text("\r\n"));
}

Text UnicodeBytesToText(const Bytes& bytes) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return Utf16ToAnsi(units);
}

}  // namespace pelko

#include "textutil/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "textutil/fullwidth.h"

namespace pelko {

namespace {

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }

inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool MatchAt(std::string_view text, size_t at, std::string_view sub, bool ignoreCase) {
    if (at + sub.size() > text.size()) return false;
    if (!ignoreCase) return std::memcmp(text.data() + at, sub.data(), sub.size()) == 0;
    for (size_t k = 0; k < sub.size(); ++k)
        if (FoldAscii(text[at + k]) != FoldAscii(sub[k])) return false;
    return true;
}

Text MapAsciiCase(std::string_view text, bool upper) {
    Text out(text);
    for (size_t i = 0; i < out.size();) {
        size_t w = CharWidthAt(out, i);
        if (w == 1) {
            char& c = out[i];
            if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        }
        i += w;
    }
    return out;
}

}  // namespace

Text FoldFullWidth(std::string_view text) {
    Text out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t w = CharWidthAt(text, i);
        if (w == 2) {
            unsigned char a = U(text[i]), b = U(text[i + 1]);
            if (a == 0xA3 && b >= 0xA1 && b <= 0xFE) out += static_cast<char>(b - 0x80);
            else if (a == 0xA1 && b == 0xA1) out += ' ';
            else if (a == 0xA1 && b == 0xAB) out += '~';
            else if (a == 0xA1 && (b == 0xEE || b == 0xEF)) out += '*';
            else out.append(text.substr(i, 2));
        } else {
            out += text[i];
        }
        i += w;
    }
    return out;
}

int TextLength(std::string_view text) {
    // A Text ends at its first NUL.
    return static_cast<int>(strnlen(text.data(), text.size()));
}

int CompareText(std::string_view a, std::string_view b) {
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool TextStartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

Text LeftText(std::string_view text, int n) {
    if (n <= 0) return {};
    return Text(text.substr(0, static_cast<size_t>(n)));
}

Text RightText(std::string_view text, int n) {
    if (n <= 0) return {};
    size_t k = std::min(text.size(), static_cast<size_t>(n));
    return Text(text.substr(text.size() - k));
}

Text MidText(std::string_view text, int start, int n) {
    if (start < 1 || static_cast<size_t>(start) > text.size() || n <= 0) return {};
    return Text(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(n)));
}

Text BlankText(int n) { return n < 1 ? Text() : Text(static_cast<size_t>(n), ' '); }

Text CharFromCode(int code) {
    char c = static_cast<char>(code & 0xFF);
    return c == 0 ? Text() : Text(1, c);
}

int CharCode(std::string_view text, Opt<int> position) {
    int p = position.value_or(1);
    if (p < 1 || static_cast<size_t>(p) > text.size()) return 0;
    return static_cast<signed char>(text[static_cast<size_t>(p - 1)]);
}

Text ToUpperText(std::string_view text) { return MapAsciiCase(text, true); }
Text ToLowerText(std::string_view text) { return MapAsciiCase(text, false); }

Text TrimText(std::string_view text) {
    auto isBlankAt = [&](size_t i, size_t w) {
        return (w == 1 && text[i] == ' ') || (w == 2 && U(text[i]) == 0xA1 && U(text[i + 1]) == 0xA1);
    };
    size_t begin = 0, end = 0;  // [begin, end) is the kept part
    bool seenNonBlank = false;
    for (size_t i = 0; i < text.size();) {
        size_t w = CharWidthAt(text, i);
        if (!isBlankAt(i, w)) {
            if (!seenNonBlank) begin = i;
            seenNonBlank = true;
            end = i + w;
        }
        i += w;
    }
    return seenNonBlank ? Text(text.substr(begin, end - begin)) : Text();
}

int FindText(std::string_view text, std::string_view sub, Opt<int> start, int ignoreCase) {
    size_t from = 0;
    if (start) {
        int s = *start < 1 ? 1 : *start;
        if (static_cast<size_t>(s) > text.size()) return -1;
        from = static_cast<size_t>(s - 1);
    }
    if (sub.empty()) return from < text.size() ? 1 : -1;
    for (size_t i = from; i + sub.size() <= text.size(); i += CharWidthAt(text, i))
        if (MatchAt(text, i, sub, ignoreCase == 1)) return static_cast<int>(i + 1);
    return -1;
}

int FindTextReverse(std::string_view text, std::string_view sub, Opt<int> start, int ignoreCase) {
    size_t region = text.size();
    if (start) region = *start <= 1 ? 0 : std::min(text.size(), static_cast<size_t>(*start - 1));
    std::string_view r = text.substr(0, region);
    if (sub.empty()) return r.empty() ? -1 : 1;
    int found = -1;
    for (size_t i = 0; i + sub.size() <= r.size(); i += CharWidthAt(r, i))
        if (MatchAt(r, i, sub, ignoreCase == 1)) found = static_cast<int>(i + 1);
    return found;
}

Text ReplaceText(std::string_view text, std::string_view sub, Opt<Text> replacement, Opt<int> start,
                 Opt<int> count, bool caseSensitive) {
    int s = start.value_or(1);
    if (s < 1) s = 1;
    if (text.empty() || sub.empty() || static_cast<size_t>(s - 1) >= text.size() || (count && *count == 0))
        return Text(text);
    const Text& rep = replacement ? *replacement : Text();
    long limit = (count && *count > 0) ? *count : -1;
    Text out(text.substr(0, static_cast<size_t>(s - 1)));
    size_t i = static_cast<size_t>(s - 1);
    long made = 0;
    while (i + sub.size() <= text.size()) {
        if (MatchAt(text, i, sub, !caseSensitive)) {
            out += rep;
            i += sub.size();
            if (limit > 0 && ++made == limit) break;
        } else {
            size_t w = CharWidthAt(text, i);
            out.append(text.substr(i, w));
            i += w;
        }
    }
    out.append(text.substr(std::min(i, text.size())));
    return out;
}

TextArray SplitText(std::string_view text, Opt<Text> separator, Opt<int> maxItems) {
    const Text sep = separator.value_or(",");
    long limit = maxItems ? (*maxItems < 0 ? 0 : *maxItems) : -1;
    TextArray items;
    if (text.empty() || limit == 0) return items;
    if (sep.empty()) return {Text(text)};
    size_t cut = 0;
    for (size_t i = 0; i < text.size();) {
        if (MatchAt(text, i, sep, false)) {
            items.emplace_back(text.substr(cut, i - cut));
            if (limit > 0 && static_cast<long>(items.size()) == limit) return items;
            i += sep.size();
            cut = i;
        } else {
            i += CharWidthAt(text, i);
        }
    }
    if (cut < text.size()) items.emplace_back(text.substr(cut));
    return items;
}

int32_t TextToInt(std::string_view text) {
    Text t = FoldFullWidth(text);
    size_t i = 0;
    while (i < t.size() && std::strchr(" \t\n\v\f\r", t[i]) && t[i] != '\0') ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    uint32_t value = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) value = value * 10u + static_cast<uint32_t>(t[i] - '0');
    return static_cast<int32_t>(negative ? 0u - value : value);
}

int32_t TextToInt(double value) {
    if (!std::isfinite(value)) return 0;
    double t = std::trunc(value);
    if (t >= 9.2e18 || t <= -9.2e18) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(t)));
}

Text ToText(int value) { return std::to_string(value); }
Text ToText(int64_t value) { return std::to_string(value); }

Text ToText(double value) {
    // "%.13g", but with "." whatever the C locale says.
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 13);
    if (ec != std::errc()) return {};
    return Text(buf, end);
}

Text ToText(const Bytes& bytes) { return Text(bytes.c_str()); }
Text ToText(const Text& text) { return text; }
Text ToText(const char* text) { return text ? Text(text) : Text(); }

Text ToHexText(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(value));
    return buf;
}

Bytes ToBytes(std::string_view text) { return Bytes(std::string(text.substr(0, strnlen(text.data(), text.size())))); }

int BytesLength(const Bytes& bytes) { return static_cast<int>(bytes.size()); }

Bytes BytesLeft(const Bytes& bytes, int n) {
    if (n < 0) return {};
    return Bytes(bytes.substr(0, static_cast<size_t>(n)));
}

Bytes BytesMid(const Bytes& bytes, int start, int n) {
    long s = std::clamp<long>(start, 1, static_cast<long>(bytes.size()) + 1);
    if (n < 0) n = 0;
    return Bytes(bytes.substr(static_cast<size_t>(s - 1), static_cast<size_t>(n)));
}

Bytes ReplaceBytes(const Bytes& bytes, std::string_view find, Opt<std::string> replacement, Opt<int> start,
                   Opt<int> count) {
    int s = start.value_or(1);
    if (s < 1) s = 1;
    if (bytes.empty() || find.empty() || static_cast<size_t>(s) > bytes.size() || (count && *count == 0))
        return bytes;
    const std::string& rep = replacement ? *replacement : std::string();
    long limit = (count && *count > 0) ? *count : -1;
    Bytes out(bytes.substr(0, static_cast<size_t>(s - 1)));
    size_t i = static_cast<size_t>(s - 1);
    long made = 0;
    while (i < bytes.size()) {
        size_t at = bytes.find(find, i);
        if (at == std::string::npos) break;
        out.append(bytes, i, at - i);
        out += rep;
        i = at + find.size();
        if (limit > 0 && ++made == limit) break;
    }
    out.append(bytes, std::min(i, bytes.size()));
    return out;
}

Bytes BlankBytes(int n) { return n <= 0 ? Bytes() : Bytes(std::string(static_cast<size_t>(n), '\0')); }

int CompareBytes(const Bytes& a, const Bytes& b, int n) {
    for (int i = 0; i < n; ++i) {
        unsigned x = static_cast<size_t>(i) < a.size() ? U(a[i]) : 0u;
        unsigned y = static_cast<size_t>(i) < b.size() ? U(b[i]) : 0u;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

}  // namespace pelko

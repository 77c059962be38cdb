#include "textutil/utf8.h"

namespace pelko {

Utf8Char DecodeUtf8(std::string_view bytes, size_t at) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return {lead, 1, true};
    size_t trail;
    char32_t cp;
    // The second byte's range is what rules out overlong forms, surrogates
    // and code points above U+10FFFF.
    unsigned char lo = 0x80, hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2, cp = lead & 0x0F;
        if (lead == 0xE0) lo = 0xA0;
        if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3, cp = lead & 0x07;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;
    } else {
        return {kReplacementCharacter, 1, false};
    }
    for (size_t n = 1; n <= trail; ++n) {
        if (at + n >= bytes.size()) return {kReplacementCharacter, n, false};
        const unsigned char c = byte(at + n);
        if (c < (n == 1 ? lo : 0x80) || c > (n == 1 ? hi : 0xBF)) return {kReplacementCharacter, n, false};
        cp = (cp << 6) | (c & 0x3F);
    }
    return {cp, trail + 1, true};
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const Utf8Char c = DecodeUtf8(bytes, i);
        if (!c.valid) return false;
        i += c.length;
    }
    return true;
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const Utf8Char c = DecodeUtf8(bytes, i);
        i += c.length;
        if (c.codePoint >= 0x10000) {
            const char32_t v = c.codePoint - 0x10000;
            out += static_cast<char16_t>(0xD800 + (v >> 10));
            out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
        } else {
            out += static_cast<char16_t>(c.codePoint);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t cp = units[i];
        if (IsHighSurrogate(cp) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
            cp = kReplacementCharacter;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace pelko

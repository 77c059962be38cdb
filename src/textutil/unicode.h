// UTF-8 <-> UTF-16 for the code-page backends.  Ill-formed input becomes
// U+FFFD (one per maximal ill-formed subpart), never a dropped byte.
#pragma once

#include <string>
#include <string_view>

namespace pelko::os {

inline bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

inline std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    while (i < s.size()) {
        unsigned char b = byte(i);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        int need;
        char32_t cp;
        unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) need = 1, cp = b & 0x1F;
        else if (b >= 0xE0 && b <= 0xEF) {
            need = 2, cp = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;  // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3, cp = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < need; ++k, ++j) {
            unsigned char c = j < s.size() ? byte(j) : 0;
            unsigned char l = k == 0 ? lo : 0x80, h = k == 0 ? hi : 0xBF;
            if (j >= s.size() || c < l || c > h) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out += u'\uFFFD';
            i = j;  // the valid prefix is one replaced subpart
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i = j;
    }
    return out;
}

inline std::string Utf16ToUtf8(std::u16string_view u) {
    std::string out;
    out.reserve(u.size());
    for (size_t i = 0; i < u.size(); ++i) {
        char32_t cp = u[i];
        if (IsHighSurrogate(u[i]) && i + 1 < u.size() && IsLowSurrogate(u[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (u[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(u[i]) || IsLowSurrogate(u[i])) {
            cp = 0xFFFD;
        }
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
    return out;
}

}  // namespace pelko::os

// UTF-8 and UTF-16, written out here so that every platform reads bad input
// alike.  Ill-formed input becomes U+FFFD, one per maximal ill-formed subpart
// (the longest beginning that could still have become a character), so one
// bad byte never swallows a good one after it; nothing is dropped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pelko {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

inline bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// One character of UTF-8 starting at bytes[at] (at < bytes.size()).  An
// ill-formed sequence gives valid false, U+FFFD and the length of its
// maximal subpart, at least one byte.
struct Utf8Char {
    char32_t codePoint;
    size_t length;
    bool valid;
};
Utf8Char DecodeUtf8(std::string_view bytes, size_t at);

// codePoint must be a scalar value (no surrogate, at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

std::u16string Utf8ToUtf16(std::string_view bytes);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

}  // namespace pelko

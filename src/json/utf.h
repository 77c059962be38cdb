// UTF-8 and UTF-16 inside the JSON tree.
#pragma once

#include <string>
#include <string_view>

namespace pelko::json {

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

// The next code point of well-formed UTF-8 at `i`, advancing `i`; a stray
// byte reads as itself.
char32_t NextCodePoint(std::string_view s, size_t& i);

}  // namespace pelko::json

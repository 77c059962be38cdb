#include "json/utf.h"

#include "textutil/unicode.h"

namespace pelko::json {

std::string Utf16ToUtf8(std::u16string_view u) { return os::Utf16ToUtf8(u); }

char32_t NextCodePoint(std::string_view s, size_t& i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
        ++i;
        return b;
    }
    char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += len;
    return cp;
}

}  // namespace pelko::json

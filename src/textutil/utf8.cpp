#include "textutil/utf8.h"

namespace pelko {

bool IsValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        unsigned c = *p++;
        if (c < 0x80) continue;
        int more;
        unsigned min;
        if ((c & 0xE0) == 0xC0) more = 1, min = 0x80, c &= 0x1F;
        else if ((c & 0xF0) == 0xE0) more = 2, min = 0x800, c &= 0x0F;
        else if ((c & 0xF8) == 0xF0) more = 3, min = 0x10000, c &= 0x07;
        else return false;
        if (end - p < more) return false;
        for (int k = 0; k < more; ++k) {
            if ((p[k] & 0xC0) != 0x80) return false;
            c = (c << 6) | (p[k] & 0x3F);
        }
        p += more;
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    }
    return true;
}

}  // namespace pelko

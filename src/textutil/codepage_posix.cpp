// Code page 936 through iconv.
#include <errno.h>
#include <iconv.h>

#include "textutil/codepage_os.h"
#include "textutil/utf8.h"

namespace pelko::os {

namespace {

// glibc's "CP936" is the Windows table (0x80 is the euro sign); "GBK" lacks it
// on some C libraries, so it is only the fallback.
iconv_t OpenGbk(const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        const char* alt_to = to[0] == 'C' ? "GBK" : to;
        const char* alt_from = from[0] == 'C' ? "GBK" : from;
        cd = iconv_open(alt_to, alt_from);
    }
    return cd;
}

// One descriptor per thread and direction: iconv state is not shareable.
struct Converters {
    iconv_t decode = OpenGbk("UTF-16LE", "CP936");
    iconv_t encode = OpenGbk("CP936", "UTF-16LE");
    ~Converters() {
        if (decode != reinterpret_cast<iconv_t>(-1)) iconv_close(decode);
        if (encode != reinterpret_cast<iconv_t>(-1)) iconv_close(encode);
    }
};

Converters& Conv() {
    thread_local Converters c;
    return c;
}

bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool IsTrail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

}  // namespace

std::u16string DecodeGbk(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    iconv_t cd = Conv().decode;
    size_t i = 0;
    char16_t buf[4096];
    while (i < bytes.size()) {
        // ASCII needs no converter and is most of every text.
        while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) out += static_cast<char16_t>(bytes[i++]);
        if (i == bytes.size()) break;
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        char* in = const_cast<char*>(bytes.data() + i);
        size_t inLeft = bytes.size() - i;
        char* o = reinterpret_cast<char*>(buf);
        size_t oLeft = sizeof buf;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        int err = errno;
        out.append(buf, static_cast<size_t>(reinterpret_cast<char16_t*>(o) - buf));
        i = static_cast<size_t>(in - bytes.data());
        if (r != static_cast<size_t>(-1) || err == E2BIG) continue;
        // A byte sequence the table lacks: one replacement per character,
        // a lead byte taking its trail byte with it.
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        bool pair = IsLead(b) && i + 1 < bytes.size() && IsTrail(static_cast<unsigned char>(bytes[i + 1]));
        out += u'\uFFFD';
        i += pair ? 2 : 1;
    }
    return out;
}

std::string EncodeGbk(std::u16string_view units) {
    std::string out;
    out.reserve(units.size() * 2);
    iconv_t cd = Conv().encode;
    size_t i = 0;
    char buf[8192];
    while (i < units.size()) {
        while (i < units.size() && units[i] < 0x80) out += static_cast<char>(units[i++]);
        if (i == units.size()) break;
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            out += '?';
            ++i;
            continue;
        }
        char* in = const_cast<char*>(reinterpret_cast<const char*>(units.data() + i));
        size_t inLeft = (units.size() - i) * 2;
        char* o = buf;
        size_t oLeft = sizeof buf;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        int err = errno;
        out.append(buf, static_cast<size_t>(o - buf));
        i = static_cast<size_t>(reinterpret_cast<const char16_t*>(in) - units.data());
        if (r != static_cast<size_t>(-1) || err == E2BIG) continue;
        // A character the code page lacks (or a lone surrogate) becomes "?".
        bool pair = i + 1 < units.size() && IsHighSurrogate(units[i]) && IsLowSurrogate(units[i + 1]);
        out += '?';
        i += pair ? 2 : 1;
    }
    return out;
}

}  // namespace pelko::os

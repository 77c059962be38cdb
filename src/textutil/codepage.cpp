#include "textutil/codepage.h"

#include <cstring>

#include "textutil/codepage_os.h"

namespace pelko {

namespace {

int Effective(int codePage) { return codePage == kCodePageAnsi ? kCodePageGbk : codePage; }

std::string_view UpToNul(std::string_view text) { return text.substr(0, strnlen(text.data(), text.size())); }

}  // namespace

Text UrlEncode(std::string_view text, Opt<bool> keepUnreserved, Opt<bool> viaUtf8) {
    text = UpToNul(text);
    if (text.empty()) return {};
    const bool keep = keepUnreserved.value_or(false);
    const Text bytes = viaUtf8.value_or(false) ? AnsiToUtf8(text) : Text(text);
    static constexpr char kHex[] = "0123456789ABCDEF";
    Text out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        unsigned char c = static_cast<unsigned char>(ch);
        bool plain = c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (keep && plain) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

Text AnsiToUtf8(std::string_view text) {
    return Utf16ToMultiByte(MultiByteToUtf16(text, kCodePageGbk), kCodePageUtf8);
}

Text Utf8ToAnsi(std::string_view utf8) {
    return Utf16ToMultiByte(MultiByteToUtf16(utf8, kCodePageUtf8), kCodePageAnsi);
}

Bytes MultiByteToUtf16(std::string_view text, Opt<int> codePage) {
    std::u16string units = os::DecodeToUtf16(UpToNul(text), Effective(codePage.value_or(kCodePageUtf8)));
    Bytes out;
    out.resize((units.size() + 1) * 2);  // the zero unit stays
    for (size_t i = 0; i < units.size(); ++i) {
        out[2 * i] = static_cast<char>(units[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return out;
}

Text Utf16ToMultiByte(const Bytes& utf16le, Opt<int> codePage) {
    std::u16string units;
    units.reserve(utf16le.size() / 2);
    for (size_t i = 0; i + 1 < utf16le.size(); i += 2) {
        char16_t u = static_cast<char16_t>(static_cast<unsigned char>(utf16le[i]) |
                                           (static_cast<unsigned char>(utf16le[i + 1]) << 8));
        if (u == 0) break;
        units += u;
    }
    return os::EncodeFromUtf16(units, Effective(codePage.value_or(kCodePageAnsi)));
}

}  // namespace pelko

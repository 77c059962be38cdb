#include "textutil/codepage.h"

#include <cstring>

#include "textutil/codepage_os.h"
#include "textutil/utf8.h"

namespace pelko {

namespace {

int Effective(int codePage) { return codePage == kCodePageAnsi ? kCodePageGbk : codePage; }

std::string_view UpToNul(std::string_view text) { return text.substr(0, strnlen(text.data(), text.size())); }

// GBK leaves three blocks of cells to its users.  They are held as the
// private-use characters U+E000..U+E765, block after block, on every
// platform: the Windows converter maps them so and the POSIX one rejects
// them, and mapping them everywhere keeps such bytes through every round
// trip (a box, a file name, the store, a JSON text) instead of turning a
// character someone defined into "?".  The mapping is plain arithmetic, so
// it needs no table.  Any other private-use character is no part of the
// code page: it reads as undefined, whichever converter knows it.
struct UserBlock {
    unsigned char firstLead, lastLead, firstTrail, lastTrail;
    char16_t first;
};
constexpr UserBlock kUserBlocks[] = {
    {0xAA, 0xAF, 0xA1, 0xFE, 0xE000},
    {0xF8, 0xFE, 0xA1, 0xFE, 0xE234},
    {0xA1, 0xA7, 0x40, 0xA0, 0xE4C6},  // 96 trail bytes a row: 0x7F is none
};
constexpr char16_t kUserLast = 0xE765;

bool IsPrivateUse(char16_t u) { return u >= 0xE000 && u <= 0xF8FF; }
bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool IsTrail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }
int TrailIndex(unsigned char trail, unsigned char first) { return trail - first - (trail > 0x7F && first < 0x7F); }
int RowWidth(const UserBlock& b) { return TrailIndex(b.lastTrail, b.firstTrail) + 1; }

// The private-use character of a user-defined pair, or 0.
char16_t UserCharacter(unsigned char lead, unsigned char trail) {
    for (const UserBlock& b : kUserBlocks) {
        if (lead < b.firstLead || lead > b.lastLead || trail < b.firstTrail || trail > b.lastTrail) continue;
        return static_cast<char16_t>(b.first + (lead - b.firstLead) * RowWidth(b) + TrailIndex(trail, b.firstTrail));
    }
    return 0;
}

// The pair of a character in U+E000..U+E765.
void AppendUserPair(Text& out, char16_t u) {
    for (const UserBlock& b : kUserBlocks) {
        const int rows = b.lastLead - b.firstLead + 1;
        const int index = u - b.first;
        if (index < 0 || index >= rows * RowWidth(b)) continue;
        int trail = b.firstTrail + index % RowWidth(b);
        if (b.firstTrail < 0x7F && trail >= 0x7F) ++trail;
        out += static_cast<char>(b.firstLead + index / RowWidth(b));
        out += static_cast<char>(trail);
        return;
    }
}

void AppendDecoded(std::u16string& out, std::string_view run) {
    if (run.empty()) return;
    for (char16_t u : os::DecodeGbk(run)) out += IsPrivateUse(u) ? char16_t{0xFFFD} : u;
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t run = 0;  // start of the bytes not yet handed to the converter
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (!IsLead(lead) || i + 1 == text.size() || !IsTrail(static_cast<unsigned char>(text[i + 1]))) {
            ++i;
            continue;
        }
        if (char16_t u = UserCharacter(lead, static_cast<unsigned char>(text[i + 1]))) {
            AppendDecoded(out, text.substr(run, i - run));
            out += u;
            run = i + 2;
        }
        i += 2;
    }
    AppendDecoded(out, text.substr(run));
    return out;
}

Text Utf16ToAnsi(std::u16string_view units) {
    Text out;
    out.reserve(units.size() * 2);
    size_t run = 0;
    for (size_t i = 0; i < units.size(); ++i) {
        if (!IsPrivateUse(units[i])) continue;
        if (run < i) out += os::EncodeGbk(units.substr(run, i - run));
        if (units[i] <= kUserLast) AppendUserPair(out, units[i]);
        else out += '?';
        run = i + 1;
    }
    if (run < units.size()) out += os::EncodeGbk(units.substr(run));
    return out;
}

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
    const std::string_view bytes = UpToNul(text);
    const std::u16string units =
        Effective(codePage.value_or(kCodePageUtf8)) == kCodePageUtf8 ? Utf8ToUtf16(bytes) : AnsiToUtf16(bytes);
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
    return Effective(codePage.value_or(kCodePageAnsi)) == kCodePageUtf8 ? Utf16ToUtf8(units) : Utf16ToAnsi(units);
}

}  // namespace pelko

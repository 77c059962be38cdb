// Code page 936 through the Win32 NLS converters.
#include <windows.h>

#include <climits>

#include "textutil/codepage_os.h"

namespace pelko::os {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

constexpr UINT kGbk = 936;

// Strict conversion of one run; false when a byte does not decode.
bool DecodeStrict(UINT cp, const char* data, int size, std::u16string& out) {
    if (size == 0) return true;
    int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, data, size, nullptr, 0);
    if (n <= 0) return false;
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, data, size, reinterpret_cast<wchar_t*>(&out[at]), n);
    return true;
}

// Length of the character that starts at p as the code page frames it: a
// bad pair is replaced as one, a lone bad byte alone.
size_t SequenceLength(const unsigned char* p, size_t left) {
    if (left >= 2 && IsDBCSLeadByteEx(kGbk, static_cast<BYTE>(p[0]))) {
        const unsigned t = p[1];
        if (t >= 0x40 && t <= 0xFE && t != 0x7F) return 2;
    }
    return 1;
}

}  // namespace

std::u16string DecodeGbk(std::string_view bytes) {
    const UINT cp = kGbk;
    std::u16string out;
    if (bytes.size() > static_cast<size_t>(INT_MAX)) return out;
    if (DecodeStrict(cp, bytes.data(), static_cast<int>(bytes.size()), out)) return out;
    // Some byte is bad: go sequence by sequence so only that one is replaced,
    // whatever the system's own converter would put in its place.
    out.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t i = 0;
    while (i < bytes.size()) {
        size_t n = SequenceLength(p + i, bytes.size() - i);
        if (!DecodeStrict(cp, bytes.data() + i, static_cast<int>(n), out)) out += kReplacement;
        i += n;
    }
    return out;
}

std::string EncodeGbk(std::u16string_view units) {
    const UINT cp = kGbk;
    std::string out;
    if (units.empty() || units.size() > static_cast<size_t>(INT_MAX) / 4) return out;
    const auto* w = reinterpret_cast<const wchar_t*>(units.data());
    const int size = static_cast<int>(units.size());
    // No best-fit guesses: a character the code page lacks becomes "?", and a
    // surrogate pair counts as one character.
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(cp, flags, w, size, nullptr, 0, "?", &usedDefault);
    if (n > 0 && !usedDefault) {
        out.resize(static_cast<size_t>(n));
        WideCharToMultiByte(cp, flags, w, size, out.data(), n, "?", nullptr);
        return out;
    }
    size_t i = 0;
    while (i < units.size()) {
        size_t len = 1;
        char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            len = 2;
        char buf[8];
        usedDefault = FALSE;
        int k = (u >= 0xD800 && u <= 0xDFFF)
                    ? 0
                    : WideCharToMultiByte(cp, flags, w + i, static_cast<int>(len), buf, sizeof buf, "?", &usedDefault);
        if (k <= 0 || usedDefault) out += '?';
        else out.append(buf, static_cast<size_t>(k));
        i += len;
    }
    return out;
}

}  // namespace pelko::os

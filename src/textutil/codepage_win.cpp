// Code pages through the Win32 NLS converters.
#include <windows.h>

#include <climits>

#include "textutil/codepage_os.h"

namespace pelko::os {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

UINT Resolve(int codePage) { return codePage == 0 ? 936u : static_cast<UINT>(codePage); }

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

// Length of the sequence that starts at p as the code page frames it: for
// a bad one, the longest beginning that could still have been good, so one
// bad byte never swallows a good one after it.
size_t SequenceLength(UINT cp, const unsigned char* p, size_t left) {
    const unsigned c = p[0];
    if (cp == CP_UTF8) {
        size_t want = 1;
        unsigned lo = 0x80, hi = 0xBF;  // range of the second byte
        if (c >= 0xC2 && c <= 0xDF) want = 2;
        else if (c >= 0xE0 && c <= 0xEF) want = 3, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        else if (c >= 0xF0 && c <= 0xF4) want = 4, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        if (want == 1 || left < 2 || p[1] < lo || p[1] > hi) return 1;
        size_t n = 2;
        while (n < want && n < left && (p[n] & 0xC0) == 0x80) ++n;
        return n;
    }
    if (left >= 2 && IsDBCSLeadByteEx(cp, static_cast<BYTE>(c))) {
        const unsigned t = p[1];
        if (t >= 0x40 && t <= 0xFE && t != 0x7F) return 2;
    }
    return 1;
}

}  // namespace

std::u16string DecodeToUtf16(std::string_view bytes, int codePage) {
    const UINT cp = Resolve(codePage);
    std::u16string out;
    if (bytes.size() > static_cast<size_t>(INT_MAX)) return out;
    if (DecodeStrict(cp, bytes.data(), static_cast<int>(bytes.size()), out)) return out;
    // Some byte is bad: go sequence by sequence so only that one is replaced,
    // whatever the system's own converter would put in its place.
    out.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t i = 0;
    while (i < bytes.size()) {
        size_t n = SequenceLength(cp, p + i, bytes.size() - i);
        if (!DecodeStrict(cp, bytes.data() + i, static_cast<int>(n), out)) out += kReplacement;
        i += n;
    }
    return out;
}

std::string EncodeFromUtf16(std::u16string_view units, int codePage) {
    const UINT cp = Resolve(codePage);
    std::string out;
    if (units.empty() || units.size() > static_cast<size_t>(INT_MAX) / 4) return out;
    const auto* w = reinterpret_cast<const wchar_t*>(units.data());
    const int size = static_cast<int>(units.size());
    if (cp == CP_UTF8) {
        // Lone surrogates come out as U+FFFD.
        int n = WideCharToMultiByte(cp, 0, w, size, nullptr, 0, nullptr, nullptr);
        if (n <= 0) return out;
        out.resize(static_cast<size_t>(n));
        WideCharToMultiByte(cp, 0, w, size, out.data(), n, nullptr, nullptr);
        return out;
    }
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

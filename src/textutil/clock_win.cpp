// Time zone and locale through Win32.  The wide-character formatting calls
// are used with explicit conversion, so a picture written in code page 936
// reads the same on a Windows set to any other language.
#include <windows.h>

#include "textutil/clock_os.h"
#include "textutil/codepage.h"
#include "textutil/date_picture.h"

namespace pelko::os {

namespace {

constexpr int64_t kUnixEpochTicks = 116444736000000000LL;  // 1970-01-01 in 100 ns since 1601
constexpr int64_t kTicksPerSecond = 10000000LL;

bool ToSystemTime(const CivilTime& t, SYSTEMTIME& st) {
    // The range Win32 accepts; CivilTime may hold years from 100.
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31) return false;
    st = {};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    st.wDayOfWeek = static_cast<WORD>(t.dayOfWeek);
    return true;
}

std::wstring Wide(const Text& text) {
    std::u16string u = AnsiToUtf16(text);
    return std::wstring(u.begin(), u.end());
}

Text Narrow(const wchar_t* w, int units) {
    return Utf16ToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(w), static_cast<size_t>(units)));
}

template <class Format>
Text FormatWith(const CivilTime& time, const Text& picture, Format format) {
    SYSTEMTIME st;
    if (!ToSystemTime(time, st)) return {};
    const std::wstring pic = Wide(picture);
    int n = format(&st, pic.c_str(), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    n = format(&st, pic.c_str(), out.data(), n);
    if (n <= 0) return {};
    return Narrow(out.c_str(), n - 1);  // without the terminating NUL
}

}  // namespace

bool LocalTimeOf(int64_t unixSeconds, CivilTime& out) {
    // FILETIME runs from 1601; SYSTEMTIME to 30827.
    if (unixSeconds < -11644473600LL || unixSeconds > 910692730085LL) return false;
    const int64_t ticks = unixSeconds * kTicksPerSecond + kUnixEpochTicks;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
    SYSTEMTIME utc, local;
    if (!FileTimeToSystemTime(&ft, &utc)) return false;
    // The zone's rules for that year, not only for today.
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return false;
    out.year = local.wYear;
    out.month = local.wMonth;
    out.day = local.wDay;
    out.hour = local.wHour;
    out.minute = local.wMinute;
    out.second = local.wSecond;
    out.dayOfWeek = local.wDayOfWeek;
    return true;
}

int LocaleUses24HourClock() {
    char buf[4] = {' ', ' ', ' ', ' '};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ITIME, buf, sizeof buf) <= 0) return 0;
    // "0" is the 12-hour clock, "1" the 24-hour one.
    return buf[0] == '1' ? 1 : 0;
}

// Win32 knows no date before 1601; the portable writer covers the years
// from 100 on.
static bool BeforeWin32Dates(const CivilTime& time) { return time.year >= 100 && time.year < 1601; }

Text FormatDatePicture(const CivilTime& time, const Text& picture) {
    if (BeforeWin32Dates(time)) return FormatDatePictureWith(time, picture, PictureNames::English());
    return FormatWith(time, picture, [](const SYSTEMTIME* st, const wchar_t* pic, wchar_t* buf, int size) {
        return GetDateFormatW(LOCALE_USER_DEFAULT, 0, st, pic, buf, size);
    });
}

Text FormatTimePicture(const CivilTime& time, const Text& picture, bool force24Hour) {
    if (BeforeWin32Dates(time)) return FormatTimePictureWith(time, picture, force24Hour, PictureNames::English());
    const DWORD flags = force24Hour ? TIME_FORCE24HOURFORMAT : 0;
    return FormatWith(time, picture, [flags](const SYSTEMTIME* st, const wchar_t* pic, wchar_t* buf, int size) {
        return GetTimeFormatW(LOCALE_USER_DEFAULT, flags, st, pic, buf, size);
    });
}

}  // namespace pelko::os

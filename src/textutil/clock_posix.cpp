#include "textutil/clock_os.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>
#include <ctime>

#include "textutil/codepage.h"
#include "textutil/date_picture.h"
#include "textutil/utf8.h"

namespace pelko::os {

namespace {

// The user's time locale, without touching the process-wide locale.
class TimeLocale {
public:
    TimeLocale() : loc_(newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0))) {}
    ~TimeLocale() {
        if (loc_) freelocale(loc_);
    }
    TimeLocale(const TimeLocale&) = delete;
    TimeLocale& operator=(const TimeLocale&) = delete;
    // Empty when the locale is unusable.
    const char* Item(nl_item item) const { return loc_ ? nl_langinfo_l(item, loc_) : ""; }

private:
    locale_t loc_;
};

PictureNames LocaleNames() {
    PictureNames names = PictureNames::English();
    TimeLocale locale;
    std::string_view codeset = locale.Item(CODESET);
    if (codeset != "UTF-8") return names;  // names of other code sets are not read
    auto set = [&](Text& target, nl_item item) {
        const char* value = locale.Item(item);
        if (value && *value) target = Utf16ToAnsi(Utf8ToUtf16(value));
    };
    for (int k = 0; k < 7; ++k) {
        set(names.days[static_cast<size_t>(k)], static_cast<nl_item>(DAY_1 + k));
        set(names.shortDays[static_cast<size_t>(k)], static_cast<nl_item>(ABDAY_1 + k));
    }
    for (int k = 0; k < 12; ++k) {
        set(names.months[static_cast<size_t>(k)], static_cast<nl_item>(MON_1 + k));
        set(names.shortMonths[static_cast<size_t>(k)], static_cast<nl_item>(ABMON_1 + k));
    }
    set(names.am, AM_STR);
    set(names.pm, PM_STR);
    return names;
}

}  // namespace

bool LocalTimeOf(int64_t unixSeconds, CivilTime& out) {
    time_t t = static_cast<time_t>(unixSeconds);
    if (static_cast<int64_t>(t) != unixSeconds) return false;
    tzset();  // a changed TZ takes effect at once
    struct tm tmv;
    if (!localtime_r(&t, &tmv)) return false;
    out.year = tmv.tm_year + 1900;
    out.month = tmv.tm_mon + 1;
    out.day = tmv.tm_mday;
    out.hour = tmv.tm_hour;
    out.minute = tmv.tm_min;
    out.second = tmv.tm_sec;
    out.dayOfWeek = tmv.tm_wday;
    return true;
}

int LocaleUses24HourClock() {
    TimeLocale locale;
    return TimeFormatIs24Hour(locale.Item(T_FMT)) ? 1 : 0;
}

Text FormatDatePicture(const CivilTime& time, const Text& picture) {
    if (!PictureUsesNames(picture, false)) return FormatDatePictureWith(time, picture, PictureNames::English());
    return FormatDatePictureWith(time, picture, LocaleNames());
}

Text FormatTimePicture(const CivilTime& time, const Text& picture, bool force24Hour) {
    if (!PictureUsesNames(picture, true))
        return FormatTimePictureWith(time, picture, force24Hour, PictureNames::English());
    return FormatTimePictureWith(time, picture, force24Hour, LocaleNames());
}

}  // namespace pelko::os

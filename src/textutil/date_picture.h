// The Windows date and time pictures ("yyyy-MM-dd", "hh:mm:ss tt") written
// without Windows, for the platforms that lack GetDateFormat.
#pragma once

#include <array>

#include "textutil/datetime.h"

namespace pelko {

struct PictureNames {
    std::array<Text, 7> days, shortDays;  // from Sunday
    std::array<Text, 12> months, shortMonths;
    Text am = "AM", pm = "PM", era = "A.D.";
    static const PictureNames& English();
};

// Date pictures: d dd ddd dddd, M MM MMM MMMM, y yy yyyy, g gg, 'quoted text'.
Text FormatDatePictureWith(const CivilTime& time, std::string_view picture, const PictureNames& names);
// Time pictures: h hh H HH, m mm, s ss, t tt, 'quoted text'.  force24Hour
// writes h and hh as 24-hour hours.
Text FormatTimePictureWith(const CivilTime& time, std::string_view picture, bool force24Hour,
                           const PictureNames& names);
// Whether the picture writes a name (day, month, era or time marker).
bool PictureUsesNames(std::string_view picture, bool isTime);

// A strftime time format (the locale's T_FMT) reads as a 24-hour clock when
// it has %H, %k, %T or %R, or none of %I, %l, %r.
bool TimeFormatIs24Hour(std::string_view format);

}  // namespace pelko

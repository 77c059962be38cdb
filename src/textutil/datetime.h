// OLE automation dates: days since 1899-12-30 00:00:00, the fraction being
// the time of day; valid from 100-01-01 to 9999-12-31.
#pragma once

#include "textutil/text.h"

namespace pelko {

struct DateTime {
    double days = -657434.0;  // the empty date, 100-01-01 00:00:00
    bool operator==(const DateTime&) const = default;
};

struct CivilTime {
    int year = 100, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int dayOfWeek = 0;  // 0 Sunday
};

// A text that does not parse gives the empty date.
DateTime TextToDateTime(std::string_view text);
// unit, clamped to 1..8: year, quarter, month, week, day, hour, minute, second.
DateTime AddToDateTime(DateTime date, int unit, double amount);
// false when the date lies outside 100-01-01 .. 9999-12-31.
bool DateTimeToCivil(DateTime date, CivilTime& out);
DateTime CivilToDateTime(const CivilTime& civil);

}  // namespace pelko

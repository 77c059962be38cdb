// The machine's clock, time zone and locale (libc on POSIX, Win32 on Windows).
#pragma once

#include <cstdint>

#include "textutil/datetime.h"

namespace pelko::os {

// The civil time of a Unix instant in the machine's own time zone.
bool LocalTimeOf(int64_t unixSeconds, CivilTime& out);
// Non-zero when the user's locale writes times with a 24-hour clock.
int LocaleUses24HourClock();
// The date and time pictures of Windows ("yyyy-MM-dd ", "HH:mm:ss", ...).
Text FormatDatePicture(const CivilTime& time, const Text& picture);
Text FormatTimePicture(const CivilTime& time, const Text& picture, bool force24Hour);

}  // namespace pelko::os

// Unix timestamps as local date and time text.
#pragma once

#include "textutil/datetime.h"

namespace pelko {

// Ten characters are seconds, shown at UTC+8 as "2020-09-13 20:26:40" (with
// a 12-hour clock when the locale uses one); any other text is milliseconds,
// read as a script's Number(text) would, shown in the machine's own zone as
// "2020-9-13 20:26:40".  Empty text when it cannot be shown.
Text TimestampToText(const Text& text);

// `date` written with the Windows date and time pictures ("yyyy-MM-dd ",
// "HH:mm:ss"); a picture shorter than 3 bytes adds nothing.  force24Hour == 1
// writes h and hh as 24-hour hours.
Text FormatDateTime(DateTime date, Opt<Text> datePicture = {}, Opt<Text> timePicture = {},
                    Opt<int> force24Hour = {});

// Non-zero when the user's locale uses a 24-hour clock.
int LocaleUses24HourClock();

}  // namespace pelko

// Date texts and timestamps from outside, and the pictures that write them.
#include <cmath>

#include "fuzz_support.h"
#include "textutil/datetime.h"
#include "textutil/timestamp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const pelko::Text datePicture = in.ConsumeRandomLengthString(24);
    const pelko::Text timePicture = in.ConsumeRandomLengthString(24);
    const int unit = in.ConsumeIntegralInRange<int>(0, 9);
    const double amount = in.ConsumeFloatingPoint<double>();
    const int force24Hour = in.ConsumeIntegralInRange<int>(0, 1);
    const pelko::Text text = in.ConsumeRemainingBytesAsString();

    const pelko::DateTime date = pelko::TextToDateTime(text);
    pelko::CivilTime civil;
    if (pelko::DateTimeToCivil(date, civil)) {
        FUZZ_CHECK(civil.month >= 1 && civil.month <= 12 && civil.day >= 1 && civil.day <= 31);
        FUZZ_CHECK(civil.hour >= 0 && civil.hour < 24 && civil.minute >= 0 && civil.minute < 60);
        FUZZ_CHECK(civil.second >= 0 && civil.second < 60);
        // Back to the same second.
        FUZZ_CHECK(std::fabs(pelko::CivilToDateTime(civil).days - date.days) * 86400.0 < 1.0);
    }
    (void)pelko::FormatDateTime(date, datePicture, timePicture, force24Hour);
    (void)pelko::AddToDateTime(date, unit, amount);
    (void)pelko::TimestampToText(text);
    return 0;
}

#include "textutil/datetime.h"

#include <cmath>
#include <cstdint>

#include "textutil/fullwidth.h"

namespace pelko {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kFirstDay = -657434;   // 100-01-01
constexpr int64_t kLastDay = 2958465;    // 9999-12-31
constexpr int64_t kEpochShift = 25569;   // 1970-01-01 in automation days

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int LastDay(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// An automation date keeps the time of day as the magnitude of the fraction
// even before 1899-12-30 (-1.25 is 12-29 06:00), so it is not a linear scale.
// These give and take seconds on a linear scale from 1899-12-30 00:00.
double LinearSeconds(double days) {
    double whole = std::trunc(days);
    return whole * kSecondsPerDay + std::fabs(days - whole) * kSecondsPerDay;
}

double FromLinearSeconds(double seconds) {
    double day = std::floor(seconds / kSecondsPerDay);
    double rest = seconds - day * kSecondsPerDay;
    if (rest >= kSecondsPerDay) day += 1, rest -= kSecondsPerDay;
    if (rest < 0) rest = 0;
    double fraction = rest / kSecondsPerDay;
    return day >= 0 ? day + fraction : day - fraction;
}

bool InRange(double linearSeconds) {
    return linearSeconds >= static_cast<double>(kFirstDay * kSecondsPerDay) &&
           linearSeconds < static_cast<double>((kLastDay + 1) * kSecondsPerDay);
}

// Reads up to maxDigits decimal digits; none leaves value 0.
void ReadGroup(std::string_view s, size_t& i, int maxDigits, int& value) {
    value = 0;
    for (int n = 0; n < maxDigits && i < s.size() && s[i] >= '0' && s[i] <= '9'; ++n) value = value * 10 + (s[i++] - '0');
}

// Skips one of the single-byte separators or the two-byte word after a group.
void SkipSeparator(std::string_view s, size_t& i, std::string_view singles, std::string_view word) {
    if (i >= s.size()) return;
    if (singles.find(s[i]) != std::string_view::npos) {
        ++i;
    } else if (!word.empty() && s.substr(i, word.size()) == word) {
        i += word.size();
    }
}

}  // namespace

DateTime TextToDateTime(std::string_view text) {
    const Text s = FoldFullWidth(text);
    CivilTime c;
    size_t i = 0;
    ReadGroup(s, i, 4, c.year);
    SkipSeparator(s, i, "-./:", "年");
    ReadGroup(s, i, 2, c.month);
    SkipSeparator(s, i, "-./:", "月");
    ReadGroup(s, i, 2, c.day);
    SkipSeparator(s, i, " -./:", "日");
    ReadGroup(s, i, 2, c.hour);
    SkipSeparator(s, i, "-./:", "时");
    ReadGroup(s, i, 2, c.minute);
    SkipSeparator(s, i, "-./:", "分");
    ReadGroup(s, i, 2, c.second);
    const std::string_view secondWord = "秒";
    if (i < s.size() && s.substr(i) != secondWord) return {};
    if (c.year < 100 || c.year > 9999 || c.month < 1 || c.month > 12 || c.day < 1 || c.day > LastDay(c.year, c.month) ||
        c.hour > 23 || c.minute > 59 || c.second > 59)
        return {};
    return CivilToDateTime(c);
}

DateTime AddToDateTime(DateTime date, int unit, double amount) {
    if (amount == 0 || !std::isfinite(amount)) return date;
    if (unit < 1) unit = 1;
    if (unit > 8) unit = 8;
    if (unit <= 3) {
        CivilTime c;
        if (!DateTimeToCivil(date, c)) return date;
        const double months = std::trunc(amount) * (unit == 1 ? 12 : unit == 2 ? 3 : 1);
        if (std::fabs(months) > 1e7) return {};
        int64_t index = int64_t{c.year} * 12 + (c.month - 1) + static_cast<int64_t>(months);
        int64_t year = FloorDiv(index, 12);
        int month = static_cast<int>(index - year * 12) + 1;
        if (year < 100) year = 100;
        if (year > 9999) year = 9999;
        c.year = static_cast<int>(year);
        c.month = month;
        if (c.day > LastDay(c.year, c.month)) c.day = LastDay(c.year, c.month);
        return CivilToDateTime(c);
    }
    static constexpr double kSpan[] = {7.0 * kSecondsPerDay, kSecondsPerDay, 3600, 60, 1};
    double seconds = LinearSeconds(date.days) + amount * kSpan[unit - 4];
    // Millisecond steps, so that whole-second sums land on the same double
    // as the date built from its civil parts.
    seconds = std::round(seconds * 1000.0) / 1000.0;
    // Past either end of the calendar there is no date to give.
    if (!InRange(seconds)) return {};
    return DateTime{FromLinearSeconds(seconds)};
}

bool DateTimeToCivil(DateTime date, CivilTime& out) {
    if (!std::isfinite(date.days)) return false;
    const double whole = std::trunc(date.days);
    if (whole < kFirstDay - 1 || whole > kLastDay + 1) return false;
    int64_t seconds = static_cast<int64_t>(whole) * kSecondsPerDay +
                      std::llround(std::fabs(date.days - whole) * kSecondsPerDay);
    if (seconds < kFirstDay * kSecondsPerDay || seconds >= (kLastDay + 1) * kSecondsPerDay) return false;
    const int64_t day = FloorDiv(seconds, kSecondsPerDay);
    const int64_t sod = seconds - day * kSecondsPerDay;
    CivilTime c;
    CivilFromDays(day - kEpochShift, c.year, c.month, c.day);
    c.hour = static_cast<int>(sod / 3600);
    c.minute = static_cast<int>(sod / 60 % 60);
    c.second = static_cast<int>(sod % 60);
    c.dayOfWeek = static_cast<int>(((day % 7) + 7 + 6) % 7);  // 1899-12-30 was a Saturday
    out = c;
    return true;
}

DateTime CivilToDateTime(const CivilTime& civil) {
    // Months beyond 1..12 carry into the year, other parts simply add up.
    int64_t index = int64_t{civil.year} * 12 + (civil.month - 1);
    int64_t year = FloorDiv(index, 12);
    int month = static_cast<int>(index - year * 12) + 1;
    int64_t day = DaysFromCivil(year, month, 1) + kEpochShift + (civil.day - 1);
    int64_t seconds = day * kSecondsPerDay + int64_t{civil.hour} * 3600 + int64_t{civil.minute} * 60 + civil.second;
    const int64_t d = FloorDiv(seconds, kSecondsPerDay);
    const int64_t sod = seconds - d * kSecondsPerDay;
    const double fraction = static_cast<double>(sod) / kSecondsPerDay;
    return DateTime{d >= 0 ? static_cast<double>(d) + fraction : static_cast<double>(d) - fraction};
}

}  // namespace pelko

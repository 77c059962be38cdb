#include "textutil/datetime.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pelko {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    CivilTime c;
    c.year = y, c.month = mo, c.day = d, c.hour = h, c.minute = mi, c.second = s;
    return CivilToDateTime(c);
}

std::string Show(DateTime t) {
    CivilTime c;
    if (!DateTimeToCivil(t, c)) return "invalid";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute,
                  c.second);
    return buf;
}

TEST(DateTime, AutomationDaysAtKnownPoints) {
    EXPECT_EQ(At(1899, 12, 30).days, 0.0);
    EXPECT_EQ(At(1900, 1, 1).days, 2.0);
    EXPECT_EQ(At(1970, 1, 1).days, 25569.0);
    EXPECT_EQ(At(1899, 12, 30, 12).days, 0.5);
    EXPECT_EQ(At(1899, 12, 29, 6).days, -1.25);  // before the epoch the fraction still counts forward
    EXPECT_EQ(At(100, 1, 1).days, DateTime{}.days);
    EXPECT_EQ(At(9999, 12, 31).days, 2958465.0);
    EXPECT_EQ(Show(DateTime{-1.25}), "1899-12-29 06:00:00");
    EXPECT_EQ(Show(DateTime{-0.5}), "1899-12-30 12:00:00");
    EXPECT_EQ(Show(DateTime{2958466.0}), "invalid");
    EXPECT_EQ(Show(DateTime{-657435.0}), "invalid");
    EXPECT_EQ(Show(DateTime{NAN}), "invalid");
    CivilTime c;
    ASSERT_TRUE(DateTimeToCivil(At(2024, 5, 19), c));
    EXPECT_EQ(c.dayOfWeek, 0);  // a Sunday
    ASSERT_TRUE(DateTimeToCivil(At(1899, 12, 30), c));
    EXPECT_EQ(c.dayOfWeek, 6);
}

TEST(DateTime, CivilRoundTripIsExactForWholeSeconds) {
    const DateTime samples[] = {At(100, 1, 1), At(1899, 12, 29, 23, 59, 59), At(1970, 1, 1, 8), At(2000, 2, 29, 0, 0, 1),
                                At(2038, 1, 19, 3, 14, 7), At(9999, 12, 31, 23, 59, 59)};
    for (DateTime t : samples) {
        CivilTime c;
        ASSERT_TRUE(DateTimeToCivil(t, c));
        EXPECT_EQ(CivilToDateTime(c), t) << Show(t);
    }
    // A value a hair below the second still reads as that second.
    EXPECT_EQ(Show(DateTime{At(1970, 1, 1, 8).days - 1e-9}), "1970-01-01 08:00:00");
    EXPECT_EQ(Show(DateTime{std::nextafter(1.0, 0.0)}), "1899-12-31 00:00:00");
}

TEST(TextToDateTime, SeparatorsWordsAndRanges) {
    const struct {
        Text text, expected;
    } cases[] = {
        {"1970.01.01 08:00:00", "1970-01-01 08:00:00"},
        {"2020年2月3日", "2020-02-03 00:00:00"},
        {"2020年2月3日10时5分6秒", "2020-02-03 10:05:06"},
        {"2020-2-3 4:5:6秒", "2020-02-03 04:05:06"},
        {"2020/12/31/23/59/59", "2020-12-31 23:59:59"},
        {"20200203", "2020-02-03 00:00:00"},  // four, two and two digits
        {"\xA3\xB2\xA3\xB0\xA3\xB2\xA3\xB0-01-02", "2020-01-02 00:00:00"},  // full-width digits
        {"2020-02-29", "2020-02-29 00:00:00"},
        {"2000-02-29", "2000-02-29 00:00:00"},
        {"1900-02-29", "invalid-empty"},
        {"2020-02-30", "invalid-empty"},
        {"2021-13-01", "invalid-empty"},
        {"2021-00-01", "invalid-empty"},
        {"2021-01-01 24:00:00", "invalid-empty"},
        {"2021-01-01 23:60:00", "invalid-empty"},
        {"2021-01-01 23:00:60", "invalid-empty"},
        {"0099-01-01", "invalid-empty"},
        {"2021-01-01 x", "invalid-empty"},
        {"2021-01-01 01:02:03 ", "invalid-empty"},
        {"", "invalid-empty"},
        {"2021", "invalid-empty"},  // a missing month counts as 0
    };
    for (const auto& c : cases) {
        DateTime t = TextToDateTime(c.text);
        if (c.expected == "invalid-empty") EXPECT_EQ(t, DateTime{}) << c.text;
        else EXPECT_EQ(Show(t), c.expected) << c.text;
    }
    EXPECT_EQ(TextToDateTime("1970.01.01 08:00:00"), At(1970, 1, 1, 8));
}

TEST(AddToDateTime, CalendarUnitsClampTheDay) {
    const struct {
        DateTime date;
        int unit;
        double amount;
        Text expected;
    } cases[] = {
        {At(2020, 1, 31), 3, 1, "2020-02-29 00:00:00"},
        {At(2021, 1, 31), 3, 1, "2021-02-28 00:00:00"},
        {At(2020, 3, 31, 7, 8, 9), 3, -1, "2020-02-29 07:08:09"},
        {At(2020, 2, 29), 1, 1, "2021-02-28 00:00:00"},
        {At(2020, 2, 29), 1, 4, "2024-02-29 00:00:00"},
        {At(2020, 11, 30), 2, 1, "2021-02-28 00:00:00"},
        {At(2020, 12, 15), 3, 1, "2021-01-15 00:00:00"},
        {At(2020, 1, 15), 3, -13, "2018-12-15 00:00:00"},
        {At(9998, 6, 1), 1, 5, "9999-06-01 00:00:00"},  // the year stays within 100..9999
        {At(101, 6, 1), 1, -5, "0100-06-01 00:00:00"},
        {At(2020, 1, 31), 0, 1, "2021-01-31 00:00:00"},  // unit clamped to 1
        {At(2020, 1, 31), 8, 86400, "2020-02-01 00:00:00"},
        {At(2020, 1, 31), 9, 86400, "2020-02-01 00:00:00"},  // unit clamped to 8
        {At(2020, 1, 31), 4, 1, "2020-02-07 00:00:00"},
        {At(2020, 1, 31), 5, -31, "2019-12-31 00:00:00"},
        {At(2020, 1, 31), 6, 25, "2020-02-01 01:00:00"},
        {At(2020, 1, 31), 7, -1, "2020-01-30 23:59:00"},
        {At(1899, 12, 30), 6, -18, "1899-12-29 06:00:00"},  // across the epoch
        {At(1899, 12, 29, 6), 6, 42, "1899-12-31 00:00:00"},
        {At(9999, 12, 31, 23, 59, 59), 8, 1, "0100-01-01 00:00:00"},  // past the calendar: the empty date
    };
    for (const auto& c : cases)
        EXPECT_EQ(Show(AddToDateTime(c.date, c.unit, c.amount)), c.expected)
            << Show(c.date) << " unit " << c.unit << " amount " << c.amount;
    EXPECT_EQ(AddToDateTime(DateTime{0.123456789}, 3, 0), DateTime{0.123456789});
    // Whole seconds added to a whole-second date land on the same double.
    EXPECT_EQ(AddToDateTime(At(1970, 1, 1, 8), 8, 1700000000), At(2023, 11, 15, 6, 13, 20));
}

}  // namespace
}  // namespace pelko

#include "textutil/timestamp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "textutil/date_picture.h"

namespace pelko {
namespace {

TEST(TimestampSeconds, ShowsChinaTimeWithTheLocalesClock) {
    const bool h24 = LocaleUses24HourClock() != 0;
    EXPECT_EQ(TimestampToText("1600000000"), h24 ? "2020-09-13 20:26:40" : "2020-09-13 08:26:40");
    EXPECT_EQ(TimestampToText("1599999999"), h24 ? "2020-09-13 20:26:39" : "2020-09-13 08:26:39");
    EXPECT_EQ(TimestampToText("1600000440"), h24 ? "2020-09-13 20:34:00" : "2020-09-13 08:34:00");
}

TEST(TimestampFormat, WritesDateAndTimePictures) {
    DateTime t = TextToDateTime("2020-09-13 20:26:40");
    EXPECT_EQ(FormatDateTime(t, Text("yyyy-MM-dd "), Text("HH:mm:ss")), "2020-09-13 20:26:40");
    EXPECT_EQ(FormatDateTime(t, Text("yyyy-MM-dd "), Text("hh:mm:ss")), "2020-09-13 08:26:40");
    EXPECT_EQ(FormatDateTime(t, Text("yyyy-MM-dd "), Text("hh:mm:ss"), 1), "2020-09-13 20:26:40");
    EXPECT_EQ(FormatDateTime(t, {}, Text("H:m")), "20:26");
    EXPECT_EQ(FormatDateTime(t, Text("yy")), "");  // shorter than three bytes
    EXPECT_EQ(FormatDateTime(t), "");
    EXPECT_EQ(FormatDateTime(DateTime{1e9}, Text("yyyy-MM-dd")), "");
}

// TZ and LC_ALL choose the zone and the clock only on POSIX systems.
#ifndef _WIN32

// Sets TZ (and the time locale) for one test and puts the old values back.
class TimeZoneTest : public testing::Test {
protected:
    void SetUp() override {
        Save("TZ", oldTz_);
        Save("LC_ALL", oldLcAll_);
        setenv("LC_ALL", "C", 1);
    }
    void TearDown() override {
        Restore("TZ", oldTz_);
        Restore("LC_ALL", oldLcAll_);
        tzset();
    }
    static void Zone(const char* tz) {
        setenv("TZ", tz, 1);
        tzset();
    }

private:
    static void Save(const char* name, Opt<std::string>& slot) {
        if (const char* v = std::getenv(name)) slot = v;
    }
    static void Restore(const char* name, const Opt<std::string>& slot) {
        if (slot) setenv(name, slot->c_str(), 1);
        else unsetenv(name);
    }
    Opt<std::string> oldTz_, oldLcAll_;
};

TEST_F(TimeZoneTest, SecondsShowChinaTimeInEveryZone) {
    for (const char* tz : {"UTC", "Asia/Shanghai", "America/New_York"}) {
        Zone(tz);
        EXPECT_EQ(TimestampToText("1600000000"), "2020-09-13 20:26:40") << tz;
        EXPECT_EQ(TimestampToText("0000000000"), "1970-01-01 08:00:00") << tz;
        EXPECT_EQ(TimestampToText("abcdefghij"), "1970-01-01 08:00:00") << tz;
        EXPECT_EQ(TimestampToText("１２３４５"), "1970-01-01 11:25:45") << tz;  // full-width digits
        EXPECT_EQ(TimestampToText("-999999999"), "1938-04-25 06:13:21") << tz;
        // Beyond 32 bits the value is still read whole.
        EXPECT_EQ(TimestampToText("2200000000"), "2039-09-19 07:06:40") << tz;
        EXPECT_EQ(TimestampToText("9999999999"), "2286-11-21 01:46:39") << tz;
    }
}

TEST_F(TimeZoneTest, MillisecondsShowTheMachinesZone) {
    const struct {
        const char* text;
        const char* utc;
        const char* shanghai;
    } cases[] = {
        {"1600000000000", "2020-9-13 12:26:40", "2020-9-13 20:26:40"},
        {"1577808000000", "2019-12-31 16:00:00", "2020-1-1 00:00:00"},
        {"", "1970-1-1 00:00:00", "1970-1-1 08:00:00"},
        {"999999999", "1970-1-12 13:46:39", "1970-1-12 21:46:39"},
        {" 1600000000000\t", "2020-9-13 12:26:40", "2020-9-13 20:26:40"},
        {"1.6e12", "2020-9-13 12:26:40", "2020-9-13 20:26:40"},
        {"1600000000999.9", "2020-9-13 12:26:40", "2020-9-13 20:26:40"},
        {"0x10", "1970-1-1 00:00:00", "1970-1-1 08:00:00"},
        {"-1", "1969-12-31 23:59:59", "1970-1-1 07:59:59"},
        {"8.64e15", "275760-9-13 00:00:00", "275760-9-13 08:00:00"},
        {"8.64000000000001e15", "", ""},  // beyond the range of dates
        {"abc", "", ""},
        {"12'3", "", ""},
        {"1e3x", "", ""},
        {"Infinity", "", ""},
        {"inf", "", ""},
        {"0x", "", ""},
    };
    for (const auto& c : cases) {
        Zone("UTC");
        EXPECT_EQ(TimestampToText(c.text), c.utc) << "[" << c.text << "]";
        Zone("Asia/Shanghai");
        EXPECT_EQ(TimestampToText(c.text), c.shanghai) << "[" << c.text << "]";
    }
}

TEST_F(TimeZoneTest, CLocaleUsesATwentyFourHourClock) { EXPECT_EQ(LocaleUses24HourClock(), 1); }

#endif

TEST(DatePicture, WritesEveryField) {
    CivilTime sunday{2005, 1, 5, 0, 5, 9, 3};
    CivilTime afternoon{2020, 11, 25, 13, 7, 9, 3};
    const PictureNames& en = PictureNames::English();
    const struct {
        const CivilTime& time;
        const char* picture;
        const char* out;
    } dates[] = {
        {sunday, "d/M/y", "5/1/5"},
        {sunday, "dd.MM.yy", "05.01.05"},
        {sunday, "dddd, MMMM d yyyy", "Wednesday, January 5 2005"},
        {afternoon, "ddd MMM yyyyy", "Wed Nov 2020"},
        {sunday, "'day' d 'o''clock' gg", "day 5 o'clock A.D."},
        {sunday, "yyyy年M月d日", "2005年1月5日"},
        {sunday, "'unclosed d", "unclosed d"},
    };
    for (const auto& c : dates) EXPECT_EQ(FormatDatePictureWith(c.time, c.picture, en), c.out) << c.picture;
    const struct {
        const CivilTime& time;
        const char* picture;
        bool force24;
        const char* out;
    } times[] = {
        {sunday, "h:mm tt", false, "12:05 AM"},
        {afternoon, "h:m:s t", false, "1:7:9 P"},
        {afternoon, "hh:mm:ss", false, "01:07:09"},
        {afternoon, "hhh", true, "13"},
        {afternoon, "HH 'h' H", false, "13 h 13"},
        {sunday, "HH时mm分ss秒", false, "00时05分09秒"},
    };
    for (const auto& c : times)
        EXPECT_EQ(FormatTimePictureWith(c.time, c.picture, c.force24, en), c.out) << c.picture;
}

TEST(DatePicture, TellsTwentyFourHourFormats) {
    const std::pair<const char*, bool> cases[] = {
        {"%H:%M:%S", true}, {"%T", true},       {"%R", true},          {"%k:%M", true},
        {"%OH:%M", true},   {"", true},         {"%I:%M:%S %p", false}, {"%r", false},
        {"%l:%M %p", false}, {"%p %I时%M分%S秒", false}, {"%EI", false}, {"%%I", true},
        {"%I %H", true},
    };
    for (const auto& [format, is24] : cases) EXPECT_EQ(TimeFormatIs24Hour(format), is24) << format;
}

}  // namespace
}  // namespace pelko

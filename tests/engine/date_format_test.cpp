#include "engine/date_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace qm {
namespace {

// GBK unit characters.
#define NIAN "\xC4\xEA"
#define YUE "\xD4\xC2"
#define RI "\xC8\xD5"
#define SHI "\xCA\xB1"
#define FEN "\xB7\xD6"
#define MIAO "\xC3\xEB"

constexpr double kDay20240305 = 45356;  // days from 1899-12-30 to 2024-03-05

double at(double day, int h, int m, int s) {
    return day + (h * 3600 + m * 60 + s) / 86400.0;
}

const double kWhen = at(kDay20240305, 14, 7, 9);

struct Row {
    int part;
    int style;
    Text text;
};

const std::vector<Row> k24HourTable = {
    {0, 0, "2024" NIAN "03" YUE "05" RI " 14" SHI "07" FEN "09" MIAO},
    {0, 1, "2024-03-05 14:07:09"},
    {0, 2, "2024/03/05 14/07/09"},
    {0, 3, "20240305140709"},
    {1, 0, "2024" NIAN "03" YUE "05" RI},
    {1, 1, "2024-03-05"},
    {1, 2, "2024/03/05"},
    {1, 3, "20240305"},
    {2, 0, "03" YUE "05" RI},
    {2, 1, "03-05"},
    {2, 2, "03/05"},
    {2, 3, "0305"},
    {3, 0, "14" SHI "07" FEN "09" MIAO},
    {3, 1, "14:07:09"},
    {3, 2, "14/07/09"},
    {3, 3, "140709"},
    {4, 0, "14" SHI "07" FEN},
    {4, 1, "14:07"},
    {4, 2, "14/07"},
    {4, 3, "1407"},
    {5, 0, "07" FEN "09" MIAO},
    {5, 1, "07:09"},
    {5, 2, "07/09"},
    {5, 3, "0709"},
};

TEST(FormatDatetime, TableOnA24HourClock) {
    for (const Row& row : k24HourTable) {
        EXPECT_EQ(format_datetime(kWhen, row.style, row.part, true), row.text)
            << "part " << row.part << " style " << row.style;
    }
}

TEST(FormatDatetime, TableOnA12HourClockShowsTheHourAs02) {
    for (const Row& row : k24HourTable) {
        Text expected = row.text;
        if (row.part == 0 || row.part == 3 || row.part == 4) {
            const auto at14 =
                expected.find(row.part == 0 ? (row.style == 3 ? "0514" : " 14") : "14");
            ASSERT_NE(at14, Text::npos);
            const auto hour = expected.find("14", at14);
            expected.replace(hour, 2, "02");
        }
        EXPECT_EQ(format_datetime(kWhen, row.style, row.part, false), expected)
            << "part " << row.part << " style " << row.style;
    }
    EXPECT_EQ(format_datetime(kWhen, 1, 0, false), "2024-03-05 02:07:09");
}

TEST(FormatDatetime, MidnightAndNoonOnBothClocks) {
    EXPECT_EQ(format_datetime(kDay20240305, 1, 3, true), "00:00:00");
    EXPECT_EQ(format_datetime(kDay20240305, 1, 3, false), "12:00:00");
    EXPECT_EQ(format_datetime(at(kDay20240305, 12, 30, 0), 1, 4, true), "12:30");
    EXPECT_EQ(format_datetime(at(kDay20240305, 12, 30, 0), 1, 4, false), "12:30");
    EXPECT_EQ(format_datetime(at(kDay20240305, 0, 59, 0), 3, 4, false), "1259");
    EXPECT_EQ(format_datetime(at(kDay20240305, 23, 0, 0), 3, 4, false), "1100");
}

TEST(FormatDatetime, OtherStylesAndPartsCountAsZero) {
    const Text zero = format_datetime(kWhen, 0, 0, true);
    EXPECT_EQ(format_datetime(kWhen, 7, 0, true), zero);
    EXPECT_EQ(format_datetime(kWhen, -1, 0, true), zero);
    EXPECT_EQ(format_datetime(kWhen, 0, 9, true), zero);
    EXPECT_EQ(format_datetime(kWhen, 0, -2, true), zero);
    EXPECT_EQ(format_datetime(kWhen, 7, 1, true), "2024" NIAN "03" YUE "05" RI);
    EXPECT_EQ(format_datetime(kWhen, 1, 9, true), "2024-03-05 14:07:09");
}

TEST(FormatDatetime, TheStoredDateIsTenCharacters) {
    EXPECT_EQ(format_datetime(kWhen, 1, 1), "2024-03-05");
    EXPECT_EQ(format_datetime(kWhen, 1, 1).size(), 10u);
}

TEST(FormatDatetime, WithoutWhenFormatsTheCurrentTime) {
    const double before = current_time();
    const Text now = format_datetime();
    const double after = current_time();
    EXPECT_TRUE(now == format_datetime(before) || now == format_datetime(after)) << now;
    EXPECT_EQ(now.size(), Text("2024" NIAN "03" YUE "05" RI " 14" SHI "07" FEN "09" MIAO).size());
}

TEST(FormatDatetime, DatesOutsideTheRangeGiveTheEmptyText) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double when : {std::nan(""), inf, -inf, 2958466.0, -657435.0, 1e300, -1e300}) {
        EXPECT_EQ(format_datetime(when, 1, 0, true), "") << when;
    }
    EXPECT_EQ(format_datetime(-657434.0, 1, 0, true), "0100-01-01 00:00:00");
    EXPECT_EQ(format_datetime(at(2958465, 23, 59, 59), 1, 0, true), "9999-12-31 23:59:59");
    // Half a second before the year 10000 rounds into it.
    EXPECT_EQ(format_datetime(2958465.99999999, 1, 0, true), "");
}

TEST(CivilTime, NegativeDatesCountTheFractionForward) {
    struct Case {
        double when;
        CivilTime t;
    };
    const std::vector<Case> cases = {
        {0.0, {1899, 12, 30, 0, 0, 0}},
        {-1.25, {1899, 12, 29, 6, 0, 0}},
        {-0.5, {1899, 12, 30, 12, 0, 0}},
        {1.75, {1899, 12, 31, 18, 0, 0}},
        {2.0, {1900, 1, 1, 0, 0, 0}},
        {61.0, {1900, 3, 1, 0, 0, 0}},
        {45351.0, {2024, 2, 29, 0, 0, 0}},
        {kWhen, {2024, 3, 5, 14, 7, 9}},
        // Rounded to the nearest second, carrying into the next day.
        {kWhen + 0.4 / 86400, {2024, 3, 5, 14, 7, 9}},
        {kWhen + 0.6 / 86400, {2024, 3, 5, 14, 7, 10}},
        {kDay20240305 + 1 - 0.4 / 86400, {2024, 3, 6, 0, 0, 0}},
        {-1 - 0.9999999, {1899, 12, 30, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const auto t = civil_time(c.when);
        ASSERT_TRUE(t.has_value()) << c.when;
        EXPECT_EQ(t->year, c.t.year) << c.when;
        EXPECT_EQ(t->month, c.t.month) << c.when;
        EXPECT_EQ(t->day, c.t.day) << c.when;
        EXPECT_EQ(t->hour, c.t.hour) << c.when;
        EXPECT_EQ(t->minute, c.t.minute) << c.when;
        EXPECT_EQ(t->second, c.t.second) << c.when;
    }
}

TEST(FormatWithPictures, ShortPicturesGiveAnEmptyHalf) {
    EXPECT_EQ(format_with_pictures(kWhen, "MM", "hh:mm"), "02:07");
    EXPECT_EQ(format_with_pictures(kWhen, "yyyy", "ss"), "2024");
    EXPECT_EQ(format_with_pictures(kWhen, "dd", "HH"), "");
    EXPECT_EQ(format_with_pictures(kWhen, "MMdd", "HHmm"), "03051407");
    EXPECT_EQ(format_with_pictures(2958466.0, "yyyy", "HHmm"), "");
}

TEST(FormatWithPictures, CopiesDoubleByteCharactersWhole) {
    // Characters whose trail bytes are the picture letters d M y H m s.
    EXPECT_EQ(format_with_pictures(kWhen, "\x81\x64\x81\x4D\x81\x79-dd", ""),
              "\x81\x64\x81\x4D\x81\x79-05");
    EXPECT_EQ(format_with_pictures(kWhen, "", "\x81\x6D\x81\x48\x81\x73:mm"),
              "\x81\x6D\x81\x48\x81\x73:07");
    // Two characters whose trail bytes spell "dd" and "mm".
    EXPECT_EQ(format_with_pictures(kWhen, "\x81\x64\x81\x64y", "\x81\x6D\x81\x6Dx"),
              "\x81\x64\x81\x64y\x81\x6D\x81\x6Dx");
    // A lead byte at the very end is copied as it is.
    EXPECT_EQ(format_with_pictures(kWhen, "dd\x81", ""), "05\x81");
}

TEST(FormatWithPictures, EachHalfKnowsItsOwnLetters) {
    EXPECT_EQ(format_with_pictures(kWhen, "dd hh mm", "MM yyyy HH"), "05 hh mmMM yyyy 14");
    EXPECT_EQ(format_with_pictures(kWhen, "yyyyyMMM", "hhh"), "2024y03M02h");
}

TEST(ClockChoice, ReadsTheHourConversionOfTheTimeFormat) {
    EXPECT_TRUE(time_format_uses_24_hour("%H:%M:%S"));  // C and POSIX
    EXPECT_TRUE(time_format_uses_24_hour("%T"));
    EXPECT_TRUE(time_format_uses_24_hour("%R"));
    EXPECT_TRUE(time_format_uses_24_hour("%k:%M"));
    EXPECT_TRUE(time_format_uses_24_hour("%OH:%OM"));
    EXPECT_TRUE(time_format_uses_24_hour("%%I %H"));
    EXPECT_FALSE(time_format_uses_24_hour("%I:%M:%S %p"));
    EXPECT_FALSE(time_format_uses_24_hour("%r"));
    EXPECT_FALSE(time_format_uses_24_hour("%l:%M %p"));
    EXPECT_FALSE(time_format_uses_24_hour("%p%I" SHI "%M" FEN "%S" MIAO));
    EXPECT_FALSE(time_format_uses_24_hour(""));
    EXPECT_FALSE(time_format_uses_24_hour("%M:%S %"));
}

TEST(ClockChoice, TheCLocaleUsesA24HourClock) {
    // The test program never calls setlocale, so LC_TIME is the C locale.
    EXPECT_TRUE(uses_24_hour_clock());
    EXPECT_EQ(format_datetime(kWhen, 1, 3), "14:07:09");
}

}  // namespace
}  // namespace qm

// Date formats: a date-time (days since 1899-12-30 00:00, local time) as text in one
// of four styles (0 "2024年03月05日 14时07分09秒", 1 "2024-03-05 14:07:09",
// 2 "2024/03/05 14/07/09", 3 "20240305140709") and six extents (part 0 date and time,
// 1 date, 2 month and day, 3 time, 4 hour and minute, 5 minute and second). Any other
// style counts as 0, any other part as 0.
//
// The hour follows the clock of the current LC_TIME locale: 24-hour, or 12-hour as
// 01 to 12 without an AM/PM marker. A date-time outside the years 100 to 9999 (or not
// a number) gives the empty text. Stateless; callable from any thread (the locale is
// only read).
#pragma once

#include <optional>
#include <string_view>

#include "foundation/text_kit.h"

namespace qm {

// when broken down into calendar fields, rounded to the nearest second.
struct CivilTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;   // 0..23
    int minute = 0;
    int second = 0;
};

// Empty for NaN, infinities and dates outside the years 100 to 9999. A negative when
// counts its whole days backwards and its fraction forwards from that midnight, so
// -1.25 is 1899-12-29 06:00.
std::optional<CivilTime> civil_time(double when);

// The current time, style 0, part 0.
Text format_datetime();
Text format_datetime(double when, int style = 0, int part = 0);
// As above with the clock forced (24-hour when use24Hour), whatever the locale says.
Text format_datetime(double when, int style, int part, bool use24Hour);

// True when the current LC_TIME locale's time format shows a 24-hour clock.
bool uses_24_hour_clock();
// The rule uses_24_hour_clock applies to a strftime time format (as nl_langinfo(T_FMT)
// gives it): the first hour conversion decides, %H %k %T %R for 24 hours, %I %l %r for
// 12; a format without one counts as 12-hour.
bool time_format_uses_24_hour(std::string_view time_format);

// when rendered with a date picture and a time picture, joined date first. Picture
// letters: "yyyy" year, "MM" month, "dd" day, "hh" 12-hour hour (01..12), "HH" 24-hour
// hour, "mm" minute, "ss" second, all zero-filled; every other character (GBK
// double-byte characters whole) is copied. A picture shorter than 3 bytes gives an
// empty half.
Text format_with_pictures(double when, const Text& date_picture, const Text& time_picture);

}  // namespace qm

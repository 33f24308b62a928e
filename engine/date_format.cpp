// Date formats: the fixed picture tables, the picture renderer and the clock choice.
#include "engine/date_format.h"

#include <langinfo.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace qm {

namespace {

// GBK bytes of the unit characters 年 月 日 时 分 秒.
#define QM_NIAN "\xC4\xEA"
#define QM_YUE "\xD4\xC2"
#define QM_RI "\xC8\xD5"
#define QM_SHI "\xCA\xB1"
#define QM_FEN "\xB7\xD6"
#define QM_MIAO "\xC3\xEB"

using Pictures = std::array<std::string_view, 4>;  // by style 0..3

constexpr Pictures kDatePictures = {"yyyy" QM_NIAN "MM" QM_YUE "dd" QM_RI " ", "yyyy-MM-dd ",
                                    "yyyy/MM/dd ", "yyyyMMdd"};
constexpr Pictures kTimePictures = {"hh" QM_SHI "mm" QM_FEN "ss" QM_MIAO, "hh:mm:ss", "hh/mm/ss",
                                    "hhmmss"};
constexpr Pictures kMonthDayPictures = {"MM" QM_YUE "dd" QM_RI, "MM-dd", "MM/dd", "MMdd"};
constexpr Pictures kHourMinutePictures = {"hh" QM_SHI "mm" QM_FEN, "hh:mm", "hh/mm", "hhmm"};
constexpr Pictures kMinuteSecondPictures = {"mm" QM_FEN "ss" QM_MIAO, "mm:ss", "mm/ss", "mmss"};

#undef QM_NIAN
#undef QM_YUE
#undef QM_RI
#undef QM_SHI
#undef QM_FEN
#undef QM_MIAO

// Day 0 of the date-time count, 1899-12-30, as days before 1970-01-01.
constexpr long long kDaysBeforeUnixEpoch = 25569;
constexpr long long kSecondsPerDay = 86400;
// Far outside the years 100..9999 (about -657434 to 2958466), so the day count fits.
constexpr double kMaxMagnitude = 1e7;

// A picture needs at least this many bytes to be rendered at all.
constexpr std::size_t kMinPictureBytes = 3;

void append_number(Text& out, int value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    out += buffer;
}

enum class Half { Date, Time };

// Renders the picture letters of one half (a date picture knows yyyy MM dd, a time
// picture hh HH mm ss); every other byte is copied, double-byte characters whole, so a
// trail byte equal to a picture letter is never taken for one.
Text render(const CivilTime& t, std::string_view picture, Half half) {
    Text out;
    std::size_t i = 0;
    while (i < picture.size()) {
        const auto b = static_cast<unsigned char>(picture[i]);
        if (b >= 0x80) {
            const std::size_t len = i + 1 < picture.size() ? 2 : 1;
            out.append(picture.substr(i, len));
            i += len;
            continue;
        }
        const std::string_view rest = picture.substr(i);
        if (half == Half::Date && rest.starts_with("yyyy")) {
            append_number(out, t.year, 4);
            i += 4;
        } else if (half == Half::Date && rest.starts_with("MM")) {
            append_number(out, t.month, 2);
            i += 2;
        } else if (half == Half::Date && rest.starts_with("dd")) {
            append_number(out, t.day, 2);
            i += 2;
        } else if (half == Half::Time && rest.starts_with("hh")) {
            append_number(out, t.hour % 12 == 0 ? 12 : t.hour % 12, 2);
            i += 2;
        } else if (half == Half::Time && rest.starts_with("HH")) {
            append_number(out, t.hour, 2);
            i += 2;
        } else if (half == Half::Time && rest.starts_with("mm")) {
            append_number(out, t.minute, 2);
            i += 2;
        } else if (half == Half::Time && rest.starts_with("ss")) {
            append_number(out, t.second, 2);
            i += 2;
        } else {
            out.push_back(picture[i]);
            ++i;
        }
    }
    return out;
}

}  // namespace

std::optional<CivilTime> civil_time(double when) {
    if (!std::isfinite(when) || std::fabs(when) > kMaxMagnitude) return std::nullopt;
    // The whole days name the calendar day (counted toward zero); the fraction is the
    // time of that day, read forwards from its midnight even when when is negative.
    const double wholeDays = std::trunc(when);
    long long day = static_cast<long long>(wholeDays);
    long long seconds = std::llround(std::fabs(when - wholeDays) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++day;
    }
    using namespace std::chrono;
    const year_month_day date{sys_days{days{day - kDaysBeforeUnixEpoch}}};
    CivilTime t;
    t.year = static_cast<int>(date.year());
    if (t.year < 100 || t.year > 9999) return std::nullopt;
    t.month = static_cast<int>(static_cast<unsigned>(date.month()));
    t.day = static_cast<int>(static_cast<unsigned>(date.day()));
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>(seconds / 60 % 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
}

Text format_with_pictures(double when, const Text& date_picture, const Text& time_picture) {
    const std::optional<CivilTime> t = civil_time(when);
    if (!t) return {};
    Text out;
    if (date_picture.size() >= kMinPictureBytes) out += render(*t, date_picture, Half::Date);
    if (time_picture.size() >= kMinPictureBytes) out += render(*t, time_picture, Half::Time);
    return out;
}

Text format_datetime(double when, int style, int part, bool use24Hour) {
    if (style < 0 || style > 3) style = 0;
    const auto s = static_cast<std::size_t>(style);
    Text date{kDatePictures[s]};
    Text time{kTimePictures[s]};
    if (part == 3 || part == 4 || part == 5) date.clear();
    if (part == 1 || part == 2) time.clear();
    if (part == 1) date = trim_text(date);
    if (part == 2) date = Text{kMonthDayPictures[s]};
    if (part == 4) time = Text{kHourMinutePictures[s]};
    if (part == 5) time = Text{kMinuteSecondPictures[s]};
    if (use24Hour) time = replace_text(time, "hh", "HH", 1, -1, true);
    return format_with_pictures(when, date, time);
}

Text format_datetime(double when, int style, int part) {
    return format_datetime(when, style, part, uses_24_hour_clock());
}

Text format_datetime() {
    return format_datetime(current_time());
}

bool uses_24_hour_clock() {
    return time_format_uses_24_hour(nl_langinfo(T_FMT));
}

bool time_format_uses_24_hour(std::string_view format) {
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        std::size_t j = i + 1;
        while (j < format.size() &&
               std::string_view("-_0^#EO123456789").find(format[j]) != std::string_view::npos) {
            ++j;
        }
        if (j >= format.size()) break;
        switch (format[j]) {
            case 'H':
            case 'k':
            case 'T':
            case 'R':
                return true;
            case 'I':
            case 'l':
            case 'r':
                return false;
            default:
                break;
        }
        i = j;
    }
    return false;
}

}  // namespace qm

#include "base/logger_format.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "base/errors.h"

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Day counts of 0001-01-01 and 9999-12-31, the dates a four-digit year can show.
constexpr std::int64_t kMinDayCount = -693593;
constexpr std::int64_t kMaxDayCount = 2958465;

// Day 0 of the day count.
constexpr std::chrono::sys_days kEpoch = std::chrono::sys_days{std::chrono::year{1899} / 12 / 30};

// A cursor over a text, with the scanning rules of the conversions: blanks (spaces) may stand
// before every number and separator.
struct Scanner {
    std::string_view text;
    std::size_t pos = 0;

    void SkipBlanks() {
        while (pos < text.size() && text[pos] == ' ') ++pos;
    }
    bool AtEnd() {
        SkipBlanks();
        return pos >= text.size();
    }
    bool Char(char c) {
        SkipBlanks();
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
    // Up to four digits; `digits` gets how many were read.
    bool Number(int& value, int& digits) {
        SkipBlanks();
        value = 0;
        digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
            value = value * 10 + (text[pos] - '0');
            ++digits;
            ++pos;
        }
        // More than four digits is no number we take.
        if (digits == 4 && pos < text.size() && text[pos] >= '0' && text[pos] <= '9') return false;
        return digits > 0;
    }
};

bool ValidDate(int y, int m, int d) {
    if (y < 1 || y > 9999) return false;
    return std::chrono::year_month_day{std::chrono::year{y}, std::chrono::month(static_cast<unsigned>(m)),
                                       std::chrono::day(static_cast<unsigned>(d))}
        .ok();
}

int CurrentYear() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm.tm_year + 1900;
}

// Year, "-", month, "-", day; or month "-" day of the current year. A year of one or two digits
// is placed within 50 years before or after this year.
bool ScanDate(Scanner& s, char sep, TDateTime& date) {
    int n1 = 0, n2 = 0, n3 = 0, l1 = 0, l2 = 0, l3 = 0;
    if (!s.Number(n1, l1) || !s.Char(sep) || !s.Number(n2, l2)) return false;
    int y = 0, m = 0, d = 0;
    if (s.Char(sep)) {
        if (!s.Number(n3, l3)) return false;
        y = n1;
        m = n2;
        d = n3;
        if (l1 <= 2) {
            const int now = CurrentYear();
            y += now / 100 * 100;
            if (y < now - 50) y += 100;
        }
    } else {
        y = CurrentYear();
        m = n1;
        d = n2;
    }
    if (!ValidDate(y, m, d)) return false;
    date = EncodeDate(y, m, d);
    return true;
}

// Hours ":" minutes, optionally ":" seconds and "." milliseconds.
bool ScanTime(Scanner& s, char sep, char decimal, TDateTime& time) {
    int h = 0, n = 0, sec = 0, ms = 0, len = 0;
    if (!s.Number(h, len) || !s.Char(sep) || !s.Number(n, len)) return false;
    if (s.Char(sep)) {
        if (!s.Number(sec, len)) return false;
        if (s.Char(decimal)) {
            if (!s.Number(ms, len)) return false;
        }
    }
    if (h > 23 || n > 59 || sec > 59 || ms > 999) return false;
    time = EncodeTime(h, n, sec, ms);
    return true;
}

std::string TwoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
    const std::chrono::sys_days d{std::chrono::year{year} / static_cast<unsigned>(month) / static_cast<unsigned>(day)};
    return static_cast<double>((d - kEpoch).count());
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / static_cast<double>(kMsPerDay);
}

TDateParts DecodeDateTime(TDateTime value) {
    // Checked before any integer arithmetic: a NaN or a huge count has no milliseconds to round to.
    auto invalid = [value] {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", value);
        return EConvertError("'" + std::string(text) + "' is not a valid date and time");
    };
    if (!(value > kMinDayCount - 1 && value < kMaxDayCount + 1)) throw invalid();
    // Round the whole value to milliseconds first, then split; the time of day of a negative day
    // count runs forward from the start of that day (-1.25 is 1899-12-29 06:00).
    const auto total = static_cast<std::int64_t>(std::llround(value * static_cast<double>(kMsPerDay)));
    const std::int64_t days = total / kMsPerDay;
    if (days < kMinDayCount || days > kMaxDayCount) throw invalid();
    const std::int64_t ms = (total < 0 ? -total : total) % kMsPerDay;
    const std::chrono::year_month_day ymd{kEpoch + std::chrono::days{days}};
    TDateParts p;
    p.Year = static_cast<int>(ymd.year());
    p.Month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    p.Day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    p.Hour = static_cast<int>(ms / 3'600'000);
    p.Minute = static_cast<int>(ms / 60'000 % 60);
    p.Second = static_cast<int>(ms / 1000 % 60);
    p.Millisecond = static_cast<int>(ms % 1000);
    return p;
}

std::int64_t SecondsBetween(TDateTime from, TDateTime to) {
    const auto ms = static_cast<std::int64_t>(std::llround((to - from) * static_cast<double>(kMsPerDay)));
    return ms / 1000;
}

TDateTime SecondsToDays(double seconds) { return seconds / 86400.0; }

TDateTime Now() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) + EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
}

std::string LoggerFormat::DateToText(TDateTime value) const {
    const TDateParts p = DecodeDateTime(value);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%c%02d%c%02d", p.Year, DateSeparator, p.Month, DateSeparator, p.Day);
    return buf;
}

std::string LoggerFormat::TimeToText(TDateTime value) const {
    const TDateParts p = DecodeDateTime(value);
    return TwoDigits(p.Hour) + TimeSeparator + TwoDigits(p.Minute) + TimeSeparator + TwoDigits(p.Second);
}

std::string LoggerFormat::DateTimeToText(TDateTime value) const {
    const TDateParts p = DecodeDateTime(value);
    std::string text = DateToText(value);
    if (p.Hour != 0 || p.Minute != 0 || p.Second != 0) text += ' ' + TimeToText(value);
    return text;
}

TDateTime LoggerFormat::TextToDateTime(std::string_view text) const {
    Scanner s{text};
    TDateTime date = 0, time = 0;
    if (ScanDate(s, DateSeparator, date)) {
        if (s.AtEnd()) return date;
        if (ScanTime(s, TimeSeparator, DecimalSeparator, time) && s.AtEnd())
            return date >= 0 ? date + time : date - time;
    } else {
        Scanner t{text};
        if (ScanTime(t, TimeSeparator, DecimalSeparator, time) && t.AtEnd()) return time;
    }
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
}

TDateTime LoggerFormat::TextToTime(std::string_view text) const {
    Scanner s{text};
    TDateTime time = 0;
    if (ScanTime(s, TimeSeparator, DecimalSeparator, time) && s.AtEnd()) return time;
    throw EConvertError("'" + std::string(text) + "' is not a valid time");
}

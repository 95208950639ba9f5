#include "data/reading_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "base/errors.h"

namespace readings {
namespace {

constexpr std::size_t kTimeLength = 19;
constexpr std::size_t kChannelLength = 8;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Digits(const char* p, int count) {
    int value = 0;
    for (int i = 0; i < count; ++i) value = value * 10 + (p[i] - '0');
    return value;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The form the logger and the program write, "yyyy-mm-dd hh:nn:ss" with every field in range.
// Anything else goes the slow way through LoggerFormat so that both always agree.
bool ParseCanonicalTime(std::string_view f, TDateTime& value) {
    if (f.size() != kTimeLength) return false;
    static constexpr char kPattern[] = "dddd-dd-dd dd:dd:dd";
    for (std::size_t i = 0; i < kTimeLength; ++i) {
        if (kPattern[i] == 'd' ? !IsDigit(f[i]) : f[i] != kPattern[i]) return false;
    }
    const char* p = f.data();
    const int year = Digits(p, 4), month = Digits(p + 5, 2), day = Digits(p + 8, 2);
    const int hour = Digits(p + 11, 2), minute = Digits(p + 14, 2), second = Digits(p + 17, 2);
    // Dates before 1900 (day counts near or below zero) are left to the general conversion.
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    if (hour > 23 || minute > 59 || second > 59) return false;
    // Lines come in time order, so most share the date of the line before.
    thread_local char lastDate[10] = {};
    thread_local TDateTime lastDays = 0;
    if (std::memcmp(lastDate, p, 10) != 0) {
        lastDays = EncodeDate(year, month, day);
        std::memcpy(lastDate, p, 10);
    }
    value = lastDays + EncodeTime(hour, minute, second, 0);
    return true;
}

// Whether a checked number text (digits, an optional ".", an optional exponent; no sign) lies
// below 1 in magnitude: the power of ten of its first significant digit is negative. The exponent
// saturates, so any length of digits is safe.
bool BelowOne(const char* p, const char* last) {
    long long digitsBeforePoint = 0, leading = -1, position = 0;
    bool point = false;
    for (; p < last && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            point = true;
            continue;
        }
        if (!point) ++digitsBeforePoint;
        if (leading < 0 && *p != '0') leading = position;
        ++position;
    }
    if (leading < 0) return true;  // zero
    long long exponent = 0;
    bool negative = false;
    if (p < last) {
        ++p;
        if (*p == '+' || *p == '-') negative = *p++ == '-';
        for (; p < last; ++p) exponent = std::min(exponent * 10 + (*p - '0'), 1'000'000'000LL);
    }
    return digitsBeforePoint - 1 - leading + (negative ? -exponent : exponent) < 0;
}

// A number the float range cannot hold in full precision: the nearest float of the exact value,
// reached through long double; false when it lies beyond the largest float. A number too small
// even for long double is nearer to 0 than to any float, as one just too small for float is.
bool NarrowOutOfRange(const char* first, const char* last, float& out) {
    long double wide = 0;
    const auto [ptr, ec] = std::from_chars(first, last, wide, std::chars_format::general);
    if (ec == std::errc::result_out_of_range && BelowOne(first, last)) {
        out = 0;
        return true;
    }
    if (ec != std::errc() || ptr != last) return false;
    const float narrow = static_cast<float>(wide);
    if (!std::isfinite(narrow)) return false;
    out = narrow;
    return true;
}

}  // namespace

TReadingFields SplitReadingLine(std::string_view line) {
    auto field = [line](std::size_t start, std::size_t length) {
        return start < line.size() ? line.substr(start, length) : std::string_view();
    };
    return {field(0, kTimeLength), field(kTimeLength, kChannelLength),
            field(kTimeLength + kChannelLength, kChannelLength)};
}

bool ParseTemperature(std::string_view f, double& value) {
    std::size_t begin = 0, end = f.size();
    while (begin < end && f[begin] == ' ') ++begin;
    while (end > begin && f[end - 1] == ' ') --end;
    std::size_t p = begin;
    bool negative = false;
    if (p < end && (f[p] == '+' || f[p] == '-')) negative = f[p++] == '-';
    const std::size_t numberStart = p;
    // The digits gathered as an integer m on the way (wrapping past 19 digits, where m is not used).
    std::size_t mantissaDigits = 0, fractionDigits = 0;
    std::uint64_t m = 0;
    while (p < end && IsDigit(f[p])) m = m * 10 + static_cast<std::uint64_t>(f[p++] - '0'), ++mantissaDigits;
    if (p < end && f[p] == '.') {
        ++p;
        while (p < end && IsDigit(f[p])) {
            m = m * 10 + static_cast<std::uint64_t>(f[p++] - '0');
            ++mantissaDigits, ++fractionDigits;
        }
    }
    if (mantissaDigits == 0) return false;
    if (p == end && mantissaDigits <= 15 && fractionDigits <= 8) {
        // The usual field ("   21.5"): m is exact in a double, and m / 10^k is rounded once to a
        // double. With at most 15 digits and 8 decimals that double can never lie on a midpoint
        // between two floats unless the exact value does, so narrowing it rounds as from_chars
        // would, at a fraction of the cost.
        static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
        const auto narrow = static_cast<float>(static_cast<double>(m) / kPowers[fractionDigits]);
        value = negative ? -static_cast<double>(narrow) : static_cast<double>(narrow);
        return true;
    }
    if (p < end && (f[p] == 'E' || f[p] == 'e')) {
        ++p;
        if (p < end && (f[p] == '+' || f[p] == '-')) ++p;
        std::size_t exponentDigits = 0;
        while (p < end && IsDigit(f[p])) ++p, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    if (p != end) return false;

    // The text is checked above; from_chars then rounds it straight to the nearest float
    // (locale-free, no detour through double that could round twice).
    const char* first = f.data() + numberStart;
    const char* last = f.data() + end;
    float narrow = 0;
    const auto [ptr, ec] = std::from_chars(first, last, narrow, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (!NarrowOutOfRange(first, last, narrow)) return false;
    } else if (ec != std::errc() || ptr != last) {
        return false;
    }
    value = negative ? -static_cast<double>(narrow) : static_cast<double>(narrow);
    return true;
}

bool ParseReadingTime(std::string_view field, const LoggerFormat& format, TDateTime& value) {
    if (ParseCanonicalTime(field, value)) return true;
    // Every form the conversion takes is made of digits, blanks and the three separators, with at
    // least one digit. Anything else (an empty line, an echoed command, a damaged line) fails here
    // without the cost of an exception.
    bool anyDigit = false;
    for (char c : field) {
        if (IsDigit(c)) {
            anyDigit = true;
        } else if (c != ' ' && c != format.DateSeparator && c != format.TimeSeparator && c != format.DecimalSeparator) {
            return false;
        }
    }
    if (!anyDigit) return false;
    try {
        value = format.TextToDateTime(field);
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

TLineReading ReadReadingLine(std::string_view line, const LoggerFormat& format, TReadingNeed need) {
    TLineReading r;
    r.Fields = SplitReadingLine(line);
    r.HasTime = ParseReadingTime(r.Fields.Time, format, r.Time);
    if (!r.HasTime) return r;
    switch (need) {
        case TReadingNeed::Channel1:
            r.HasChannel1 = ParseTemperature(r.Fields.Channel1, r.Channel1);
            if (!r.HasChannel1) return r;
            r.HasChannel2 = ParseTemperature(r.Fields.Channel2, r.Channel2);
            r.Reading = true;
            break;
        case TReadingNeed::EitherChannel:
            r.HasChannel1 = ParseTemperature(r.Fields.Channel1, r.Channel1);
            r.HasChannel2 = ParseTemperature(r.Fields.Channel2, r.Channel2);
            r.Reading = r.HasChannel1 || r.HasChannel2;
            break;
        case TReadingNeed::WholeLine: {
            if (line.size() < ReadingLineLength) return r;
            const std::string_view rest = line.substr(ReadingLineLength);
            if (!std::all_of(rest.begin(), rest.end(), [](char c) { return c == ' ' || c == '\r'; })) return r;
            r.HasChannel1 = ParseTemperature(r.Fields.Channel1, r.Channel1);
            r.HasChannel2 = ParseTemperature(r.Fields.Channel2, r.Channel2);
            r.Reading = r.HasChannel1 && r.HasChannel2;
            break;
        }
    }
    return r;
}

}  // namespace readings

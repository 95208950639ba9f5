#pragma once
// Date-times as day counts and the program's fixed conversions between them and texts.
//
// A TDateTime is a day count: whole days since 1899-12-30 plus the fraction of the day
// (0.5 = noon). The conversions never depend on the machine's locale: "-" separates the
// date, ":" the time, "." is the decimal separator.
#include <cstdint>
#include <string>
#include <string_view>

using TDateTime = double;

struct TDateParts {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// Day count of a calendar date (proleptic Gregorian) at 00:00. No range check.
TDateTime EncodeDate(int year, int month, int day);
// Fraction of a day for a time of day. No range check.
TDateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
// Splits a day count into calendar parts. The fraction is rounded to the nearest millisecond
// first, so 42799.041666666664 gives 01:00:00.000, not 00:59:59.999. A value that is not a number
// or lies outside the years 1 to 9999 throws EConvertError "'<value>' is not a valid date and time";
// so do the texts below, which are made from these parts.
TDateParts DecodeDateTime(TDateTime value);
// Whole seconds from `from` to `to`: the difference rounded to milliseconds, then truncated.
std::int64_t SecondsBetween(TDateTime from, TDateTime to);
// The machine's local date and time now, as a day count.
TDateTime Now();
// Days since the epoch <-> seconds; exact for whole seconds after millisecond rounding.
TDateTime SecondsToDays(double seconds);

// The program's conversion settings ("yyyy-mm-dd", "hh:nn:ss", "-", ":", ".").
class LoggerFormat {
  public:
    // "yyyy-mm-dd hh:nn:ss"; the date alone when the time of day is exactly 00:00:00
    // (after millisecond rounding); seconds truncated, milliseconds never shown.
    std::string DateTimeToText(TDateTime value) const;
    // "hh:nn:ss" of the time of day, always all three fields.
    std::string TimeToText(TDateTime value) const;
    // "yyyy-mm-dd" of the date part.
    std::string DateToText(TDateTime value) const;
    // Accepts "y-m-d", optionally followed by blanks and "h:n[:s]"; or a time alone (day zero).
    // Blanks around the text are skipped. Throws EConvertError
    // "'<text>' is not a valid date and time".
    TDateTime TextToDateTime(std::string_view text) const;
    // Accepts "h:n[:s]" with blanks around. Throws EConvertError "'<text>' is not a valid time".
    TDateTime TextToTime(std::string_view text) const;

    char DecimalSeparator = '.';
    char DateSeparator = '-';
    char TimeSeparator = ':';
};

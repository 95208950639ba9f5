#pragma once
// The reading line: one measurement of both channels as one line of single-byte text (code page
// 1250), cut at fixed character positions, not at separators:
//   characters  1-19  time of the reading, a logger time "yyyy-mm-dd hh:nn:ss"
//   characters 20-27  channel 1 temperature, degrees Celsius
//   characters 28-35  channel 2 temperature, degrees Celsius
//   characters 36-    ignored
// A shorter line gives shorter fields; a field that starts beyond the end of the line is empty.
#include <cstddef>
#include <string_view>

#include "base/logger_format.h"

namespace readings {

struct TReadingFields {
    std::string_view Time;
    std::string_view Channel1;
    std::string_view Channel2;
};

// The three fields of a line (views into `line`).
TReadingFields SplitReadingLine(std::string_view line);

// A temperature field: any number of leading blanks, an optional "+" or "-", digits with an
// optional "." and further digits (at least one digit in all), an optional exponent ("E" or "e",
// an optional sign, at least one digit), any number of trailing blanks, and nothing else. Only
// code 32 is a blank; the decimal separator is always ".". On success `value` is the number
// narrowed to the nearest 32-bit float (held as a double) and the result is true; a field that
// does not follow the rule, is empty, or lies beyond the 32-bit float range gives false and
// leaves `value` alone.
bool ParseTemperature(std::string_view field, double& value);

// The time field converted as a logger time: exactly what LoggerFormat::TextToDateTime gives,
// without the cost of an exception for the usual "yyyy-mm-dd hh:nn:ss" form, nor for text with a
// character other than digits, blanks and the format's separators (which the conversion never
// takes). False where TextToDateTime fails; `value` is then left alone.
bool ParseReadingTime(std::string_view field, const LoggerFormat& format, TDateTime& value);

// The length of a reading line that holds every field whole.
inline constexpr std::size_t ReadingLineLength = 35;

// How much of the rule a line has to meet to be taken.
enum class TReadingNeed {
    // The chart: a time and channel 1; channel 2 is read only when channel 1 converts.
    Channel1,
    // The export and the statistics: a time and at least one channel.
    EitherChannel,
    // The download: a time, both channels, and nothing but blanks or carriage returns after
    // character 35 (noise or a lost line feed leave bytes there while the fields may still convert).
    WholeLine,
};

// What one line holds by the rule.
struct TLineReading {
    bool Reading = false;  // the line meets the need asked for
    TReadingFields Fields;
    bool HasTime = false;  // characters 1 to 19 convert; the time is read for every need
    TDateTime Time = 0;
    // A channel that converts, narrowed to a 32-bit float and held as a double. A channel that the
    // need does not look at (channel 2 of a Channel1 line whose channel 1 fails) is absent.
    bool HasChannel1 = false;
    bool HasChannel2 = false;
    double Channel1 = 0;
    double Channel2 = 0;
};

// Reads `line` (views into it are kept in Fields) as far as `need` asks.
TLineReading ReadReadingLine(std::string_view line, const LoggerFormat& format, TReadingNeed need);

}  // namespace readings

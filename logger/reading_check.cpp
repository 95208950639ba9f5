#include "logger/reading_check.h"

#include <algorithm>

#include "data/reading_line.h"

namespace lorv {

namespace {

constexpr std::size_t ReadingLineLength = 35;

}  // namespace

TLineCheck CheckReadingLine(std::string_view line, const LoggerFormat& format) {
    TLineCheck check;
    const readings::TReadingFields fields = readings::SplitReadingLine(line);
    TDateTime time = 0;
    if (!readings::ParseReadingTime(fields.Time, format, time)) return check;
    check.Time = time;
    if (line.size() < ReadingLineLength) return check;
    const std::string_view rest = line.substr(ReadingLineLength);
    double value = 0;
    check.Reading = std::all_of(rest.begin(), rest.end(), [](char c) { return c == ' ' || c == '\r'; }) &&
                    readings::ParseTemperature(fields.Channel1, value) &&
                    readings::ParseTemperature(fields.Channel2, value);
    return check;
}

}  // namespace lorv

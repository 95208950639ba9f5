#include "logger/reading_check.h"

#include <algorithm>

#include "data/reading_line.h"

namespace lorv {

namespace {

constexpr std::size_t ReadingLineLength = 35;

}  // namespace

bool CheckReadingLine(std::string_view line, const LoggerFormat& format, TDateTime& time) {
    if (line.size() < ReadingLineLength) return false;
    const std::string_view rest = line.substr(ReadingLineLength);
    if (!std::all_of(rest.begin(), rest.end(), [](char c) { return c == ' ' || c == '\r'; })) return false;
    const readings::TReadingFields fields = readings::SplitReadingLine(line);
    double value = 0;
    TDateTime at = 0;
    if (!readings::ParseReadingTime(fields.Time, format, at)) return false;
    if (!readings::ParseTemperature(fields.Channel1, value) || !readings::ParseTemperature(fields.Channel2, value))
        return false;
    time = at;
    return true;
}

}  // namespace lorv

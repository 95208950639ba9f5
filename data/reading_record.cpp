#include "data/reading_record.h"

#include <string_view>

namespace readings {

bool ReadReading(const TReadingFields& fields, const LoggerFormat& format, TReading& reading) {
    TDateTime time = 0;
    if (!ParseReadingTime(fields.Time, format, time)) return false;
    double value1 = 0, value2 = 0;
    const bool has1 = ParseTemperature(fields.Channel1, value1);
    const bool has2 = ParseTemperature(fields.Channel2, value2);
    if (!has1 && !has2) return false;
    reading.Time = time;
    // The values are 32-bit floats already (the temperature rule narrows them), so this is exact.
    reading.Channel1 = has1 ? static_cast<float>(value1) : NAN;
    reading.Channel2 = has2 ? static_cast<float>(value2) : NAN;
    return true;
}

std::vector<TReading> ReadReadings(const TLineStore& lines, const LoggerFormat& format) {
    std::vector<TReading> result;
    const std::size_t count = lines.Count();
    result.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view line = lines[i];
        TReading reading;
        if (!ReadReading(SplitReadingLine(line), format, reading)) continue;
        reading.Line = i;
        result.push_back(reading);
    }
    return result;
}

}  // namespace readings

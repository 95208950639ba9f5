#include "data/reading_record.h"

#include <string_view>

namespace readings {

bool ReadReading(const TLineReading& line, TReading& reading) {
    if (!line.Reading) return false;
    reading.Time = line.Time;
    // The values are 32-bit floats already (the temperature rule narrows them), so this is exact.
    reading.Channel1 = line.HasChannel1 ? static_cast<float>(line.Channel1) : NAN;
    reading.Channel2 = line.HasChannel2 ? static_cast<float>(line.Channel2) : NAN;
    return true;
}

std::vector<TReading> ReadReadings(const TLineStore& lines, const LoggerFormat& format) {
    std::vector<TReading> result;
    const std::size_t count = lines.Count();
    result.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view line = lines[i];
        TReading reading;
        if (!ReadReading(ReadReadingLine(line, format, TReadingNeed::EitherChannel), reading)) continue;
        reading.Line = i;
        result.push_back(reading);
    }
    return result;
}

}  // namespace readings

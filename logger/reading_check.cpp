#include "logger/reading_check.h"

#include "data/reading_line.h"

namespace lorv {

TLineCheck CheckReadingLine(std::string_view line, const LoggerFormat& format) {
    const readings::TLineReading r = readings::ReadReadingLine(line, format, readings::TReadingNeed::WholeLine);
    TLineCheck check;
    check.Reading = r.Reading;
    if (r.HasTime) check.Time = r.Time;
    return check;
}

TNoisyLine CheckReadingBehindNoise(std::string_view line, const LoggerFormat& format) {
    std::size_t end = line.size();
    while (end > 0 && line[end - 1] == '\r') --end;
    TNoisyLine noisy;
    if (end <= readings::ReadingLineLength) return noisy;
    noisy.Noise = end - readings::ReadingLineLength;
    noisy.Check = CheckReadingLine(line.substr(noisy.Noise), format);
    return noisy;
}

}  // namespace lorv

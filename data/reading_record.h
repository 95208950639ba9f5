#pragma once
// A reading as the export and the statistics take it: a line whose time converts and at least
// one of whose channels converts. A channel that does not convert is absent from that reading
// only (an empty cell in an export, not counted in that channel's statistics); the other channel
// still counts. Lines that are not readings (an empty line, an echoed command, a damaged time)
// are skipped.
#include <cmath>
#include <cstddef>
#include <vector>

#include "base/logger_format.h"
#include "data/line_store.h"
#include "data/reading_line.h"

namespace readings {

struct TReading {
    TDateTime Time = 0;    // the wall-clock time of the logger, as a day count
    float Channel1 = NAN;  // degrees Celsius; NaN: the field did not convert
    float Channel2 = NAN;  // (a converted temperature is never NaN)
    std::size_t Line = 0;  // index of the line it came from
};

inline bool HasValue(float channel) { return !std::isnan(channel); }

// The reading of a line read with TReadingNeed::EitherChannel; false (and `reading` left alone)
// when the line is no reading. reading.Line is not touched.
bool ReadReading(const TLineReading& line, TReading& reading);

// The readings of `lines` in line order.
std::vector<TReading> ReadReadings(const TLineStore& lines, const LoggerFormat& format = LoggerFormat());

}  // namespace readings

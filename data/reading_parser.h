#pragma once
// Turning the lines of the data panel into the points of the two temperature series.
#include <vector>

#include "base/logger_format.h"
#include "data/line_store.h"

namespace readings {

// One point of a series: X the reading's time as a day count, Y the temperature in degrees
// Celsius (a 32-bit float value held as a double).
struct TReadingPoint {
    TDateTime X = 0;
    double Y = 0;

    bool operator==(const TReadingPoint&) const = default;
};

struct TParsedReadings {
    std::vector<TReadingPoint> Series1;  // channel 1, "Temperatura_1"
    std::vector<TReadingPoint> Series2;  // channel 2, "Temperatura_2"
};

// The points of every line, first to last. A line whose time does not convert gives no point; a
// line whose channel 1 does not convert gives no point either (its channel 2 is not looked at);
// a line whose channel 2 alone does not convert gives the channel 1 point only. Failures are
// silent. Lines that are not reading lines (empty, echoed commands) simply give nothing.
// Both series come out in ascending X; points with equal X keep the order of their lines, which
// is the order adding them one by one to an empty X-ordered series gives. Duplicates are kept.
TParsedReadings ParseReadingLines(const TLineStore& lines, const LoggerFormat& format = LoggerFormat());

}  // namespace readings

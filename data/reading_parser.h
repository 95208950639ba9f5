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

// Where the parse puts the points it finds, in the order of the lines.
class TReadingSink {
  public:
    virtual ~TReadingSink() = default;
    virtual void AddChannel1(TDateTime x, double y) = 0;  // channel 1, "Temperatura_1"
    virtual void AddChannel2(TDateTime x, double y) = 0;  // channel 2, "Temperatura_2"
};

// The points of every line, first to last, handed to `sink` as they are found (no list of them
// is built). A line whose time does not convert gives no point; a line whose channel 1 does not
// convert gives no point either (its channel 2 is not looked at); a line whose channel 2 alone
// does not convert gives the channel 1 point only. Failures are silent. Lines that are not
// reading lines (empty, echoed commands) simply give nothing. The number of lines is taken once.
void ParseReadingLines(const TLineStore& lines, const LoggerFormat& format, TReadingSink& sink);

struct TParsedReadings {
    std::vector<TReadingPoint> Series1;  // channel 1, "Temperatura_1"
    std::vector<TReadingPoint> Series2;  // channel 2, "Temperatura_2"
};

// The same points collected into lists in ascending X; points with equal X keep the order of
// their lines, which is the order adding them one by one to an empty X-ordered series gives.
// Duplicates are kept.
TParsedReadings ParseReadingLines(const TLineStore& lines, const LoggerFormat& format = LoggerFormat());

}  // namespace readings

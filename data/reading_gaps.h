#pragma once
// Where readings are missing, out of time order or repeated.
//
// Times are compared in whole seconds (milliseconds dropped, as the logger time texts do).
// - Interval: the recording interval given (from the logger), else the most common spacing of
//   consecutive distinct times in time order (the shorter on a tie); unknown with fewer than two
//   distinct times.
// - Gap: two consecutive distinct times (in time order) more than 1.5 intervals apart;
//   round(spacing / interval) - 1 readings are missing between them.
// - Out of order: a reading whose time is earlier than that of the reading before it in the file
//   (a file made of two downloads in the wrong order has one such place).
// - Repeated: a time that more than one reading carries.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "data/reading_record.h"

namespace readings {

struct TReadingGap {
    TDateTime Before = 0;      // the last reading before the gap
    TDateTime After = 0;       // the first reading after it
    std::int64_t Missing = 0;  // readings missing between them, at least 1

    bool operator==(const TReadingGap&) const = default;
};

struct TOutOfOrderReading {
    std::size_t Line = 0;  // line index of the reading
    TDateTime Time = 0;
    TDateTime Previous = 0;  // time of the reading before it in the file

    bool operator==(const TOutOfOrderReading&) const = default;
};

struct TRepeatedTime {
    TDateTime Time = 0;
    std::size_t Count = 0;  // readings with this time, at least 2

    bool operator==(const TRepeatedTime&) const = default;
};

struct TReadingGaps {
    std::optional<std::int64_t> IntervalSeconds;
    bool IntervalGiven = false;  // false: the most common spacing
    std::vector<TReadingGap> Gaps;
    std::int64_t MissingReadings = 0;  // over all gaps
    std::vector<TOutOfOrderReading> OutOfOrder;
    std::vector<TRepeatedTime> Repeats;  // in time order
    std::size_t RepeatedReadings = 0;    // readings beyond the first at each repeated time
};

// Whole seconds of a reading time, comparable with each other.
std::int64_t ReadingSeconds(TDateTime time);

// Indices of `readings` in time order (equal times in file order).
std::vector<std::size_t> TimeOrder(const std::vector<TReading>& readings);

// `readings` in file order, `order` as TimeOrder gives it; `intervalSeconds`, when given and
// above zero, is the interval.
TReadingGaps FindReadingGaps(const std::vector<TReading>& readings, const std::vector<std::size_t>& order,
                             std::optional<std::int64_t> intervalSeconds = std::nullopt);

}  // namespace readings

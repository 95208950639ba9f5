#pragma once
// Placing the lines of a data file as readings of a recording.
#include <cstdint>
#include <optional>
#include <vector>

#include "base/logger_format.h"
#include "data/line_store.h"
#include "logger/stored_reading.h"

namespace archive {

struct TImportPlan {
    TDateTime Start = 0;               // the recording start used
    std::int64_t IntervalSeconds = 0;  // the interval used (0: no two readings to take it from)
    std::vector<TStoredReading> Readings;  // index order as in the file
    std::int64_t Skipped = 0;          // lines with no time, or before the start
};

// Each line whose time converts becomes the reading at the index nearest to its time: clean when
// it is a whole reading line at start + index x interval, off-time when a whole line off that time,
// damaged otherwise. Without `start` the first reading's time is the start; without `interval`
// the most common spacing of successive readings (the smallest of equally common ones; 0 seconds
// when none: then the result holds no readings).
TImportPlan PlanImport(const TLineStore& lines, std::optional<TDateTime> start,
                       std::optional<std::int64_t> intervalSeconds, const LoggerFormat& format = LoggerFormat());

}  // namespace archive

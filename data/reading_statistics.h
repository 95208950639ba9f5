#pragma once
// The statistics of a set of readings within a time range: both channels (channel_statistics.h)
// and where readings are missing, out of order or repeated (reading_gaps.h).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "data/channel_statistics.h"
#include "data/reading_gaps.h"
#include "data/reading_record.h"

namespace readings {

struct TStatisticsOptions {
    TTemperatureLimits Limits;
    // The range of reading times taken, both ends included; empty: no bound on that side.
    std::optional<TDateTime> From, To;
    // The recording interval when it is known (from the logger); empty: the most common spacing.
    std::optional<std::int64_t> IntervalSeconds;
};

struct TReadingStatistics {
    std::size_t Readings = 0;  // readings within the range
    std::optional<TDateTime> First, Last;
    TChannelStatistics Channel1, Channel2;
    TReadingGaps Gaps;
};

// The readings within options.From and options.To, in file order.
std::vector<TReading> ReadingsInRange(const std::vector<TReading>& readings, const TStatisticsOptions& options);

// `readings` in file order (ReadReadings).
TReadingStatistics ComputeStatistics(const std::vector<TReading>& readings, const TStatisticsOptions& options);

}  // namespace readings

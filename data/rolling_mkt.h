#pragma once
// The highest mean kinetic temperature of any window of a given length, per channel.
//
// A window is [t, t + W) where t is the time of a reading of the channel and t + W is not after
// the last reading's time plus one interval (whole seconds). The readings in a window are weighted
// alike, as in the statistics' MKT. Readings that span less than W (no window fits) give the MKT
// of them all, marked as shorter than the window. Work is linear in the readings: the window
// slides, it is never summed again from its start.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "data/reading_record.h"

namespace readings {

struct TRollingMkt {
    std::int64_t WindowSeconds = 0;
    // Empty without readings on the channel or with a value at or below absolute zero.
    std::optional<double> Mkt;
    TDateTime Start = 0;  // the start of the first window with the highest MKT
    bool ShorterThanWindow = false;
    std::size_t Readings = 0;  // readings in that window
};

// `readings` (file order) visited in `order` (TimeOrder); `intervalSeconds` as the statistics'
// gaps give it (empty or 0: unknown, windows end by the last reading's time).
TRollingMkt HighestRollingMkt(const std::vector<TReading>& readings, const std::vector<std::size_t>& order,
                              float TReading::*channel, std::optional<std::int64_t> intervalSeconds,
                              std::int64_t windowSeconds);

}  // namespace readings

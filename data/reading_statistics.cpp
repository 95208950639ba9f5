#include "data/reading_statistics.h"

#include <algorithm>

namespace readings {

std::vector<TReading> ReadingsInRange(const std::vector<TReading>& readings, const TStatisticsOptions& options) {
    std::vector<TReading> inRange;
    std::copy_if(readings.begin(), readings.end(), std::back_inserter(inRange), [&](const TReading& r) {
        return (!options.From || r.Time >= *options.From) && (!options.To || r.Time <= *options.To);
    });
    return inRange;
}

TReadingStatistics ComputeStatistics(const std::vector<TReading>& readings, const TStatisticsOptions& options) {
    // A range copies the readings within it; the whole set is used as it is.
    const bool ranged = options.From || options.To;
    const std::vector<TReading> inRange = ranged ? ReadingsInRange(readings, options) : std::vector<TReading>();
    const std::vector<TReading>& taken = ranged ? inRange : readings;

    TReadingStatistics result;
    result.Readings = taken.size();
    const std::vector<std::size_t> order = TimeOrder(taken);
    if (!order.empty()) {
        result.First = taken[order.front()].Time;
        result.Last = taken[order.back()].Time;
    }
    result.Gaps = FindReadingGaps(taken, order, options.IntervalSeconds);
    result.Channel1 =
        ComputeChannelStatistics(taken, order, &TReading::Channel1, result.Gaps.IntervalSeconds, options.Limits);
    result.Channel2 =
        ComputeChannelStatistics(taken, order, &TReading::Channel2, result.Gaps.IntervalSeconds, options.Limits);
    return result;
}

}  // namespace readings

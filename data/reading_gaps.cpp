#include "data/reading_gaps.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

namespace readings {
namespace {

// The most common spacing of consecutive distinct times, the shorter on a tie.
std::optional<std::int64_t> MostCommonSpacing(const std::vector<TReading>& readings,
                                              const std::vector<std::size_t>& order) {
    std::unordered_map<std::int64_t, std::size_t> counts;
    // Nearly every spacing of a logger file is the same one: count runs of it before hashing.
    std::int64_t runSpacing = 0;
    std::size_t runLength = 0;
    for (std::size_t k = 1; k < order.size(); ++k) {
        const std::int64_t spacing =
            ReadingSeconds(readings[order[k]].Time) - ReadingSeconds(readings[order[k - 1]].Time);
        if (spacing <= 0) continue;
        if (spacing != runSpacing) {
            if (runLength > 0) counts[runSpacing] += runLength;
            runSpacing = spacing;
            runLength = 0;
        }
        ++runLength;
    }
    if (runLength > 0) counts[runSpacing] += runLength;
    std::optional<std::int64_t> best;
    std::size_t bestCount = 0;
    for (const auto& [spacing, count] : counts) {
        if (count > bestCount || (count == bestCount && spacing < *best)) {
            best = spacing;
            bestCount = count;
        }
    }
    return best;
}

}  // namespace

std::int64_t ReadingSeconds(TDateTime time) {
    const auto ms = static_cast<std::int64_t>(std::llround(time * 86'400'000.0));
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

std::vector<std::size_t> TimeOrder(const std::vector<TReading>& readings) {
    std::vector<std::size_t> order(readings.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto earlier = [&](std::size_t a, std::size_t b) {
        return ReadingSeconds(readings[a].Time) < ReadingSeconds(readings[b].Time);
    };
    // Files are nearly always in time order already; only a mixed one pays for the sort.
    if (!std::is_sorted(order.begin(), order.end(), earlier)) std::stable_sort(order.begin(), order.end(), earlier);
    return order;
}

TReadingGaps FindReadingGaps(const std::vector<TReading>& readings, const std::vector<std::size_t>& order,
                             std::optional<std::int64_t> intervalSeconds) {
    TReadingGaps result;
    for (std::size_t i = 1; i < readings.size(); ++i) {
        if (ReadingSeconds(readings[i].Time) < ReadingSeconds(readings[i - 1].Time))
            result.OutOfOrder.push_back({readings[i].Line, readings[i].Time, readings[i - 1].Time});
    }

    for (std::size_t k = 0; k < order.size();) {
        const std::int64_t seconds = ReadingSeconds(readings[order[k]].Time);
        std::size_t end = k + 1;
        while (end < order.size() && ReadingSeconds(readings[order[end]].Time) == seconds) ++end;
        if (end - k > 1) {
            result.Repeats.push_back({readings[order[k]].Time, end - k});
            result.RepeatedReadings += end - k - 1;
        }
        k = end;
    }

    if (intervalSeconds && *intervalSeconds > 0) {
        result.IntervalSeconds = intervalSeconds;
        result.IntervalGiven = true;
    } else {
        result.IntervalSeconds = MostCommonSpacing(readings, order);
    }
    if (!result.IntervalSeconds) return result;

    const std::int64_t interval = *result.IntervalSeconds;
    for (std::size_t k = 1; k < order.size(); ++k) {
        const TReading& before = readings[order[k - 1]];
        const TReading& after = readings[order[k]];
        const std::int64_t spacing = ReadingSeconds(after.Time) - ReadingSeconds(before.Time);
        // More than 1.5 intervals, in integers.
        if (2 * spacing <= 3 * interval) continue;
        const std::int64_t missing = (spacing + interval / 2) / interval - 1;
        result.Gaps.push_back({before.Time, after.Time, missing});
        result.MissingReadings += missing;
    }
    return result;
}

}  // namespace readings

#include "data/rolling_mkt.h"

#include <algorithm>

#include "data/channel_statistics.h"
#include "data/reading_gaps.h"

namespace readings {

TRollingMkt HighestRollingMkt(const std::vector<TReading>& readings, const std::vector<std::size_t>& order,
                              float TReading::*channel, std::optional<std::int64_t> intervalSeconds,
                              std::int64_t windowSeconds) {
    TRollingMkt result;
    result.WindowSeconds = windowSeconds;
    if (windowSeconds <= 0) return result;
    std::vector<const TReading*> taken;
    std::vector<std::int64_t> seconds;
    taken.reserve(order.size());
    seconds.reserve(order.size());
    float hottest = 0;
    for (const std::size_t i : order) {
        const float v = readings[i].*channel;
        if (!HasValue(v)) continue;
        if (!HasMktTerm(v)) return result;
        if (taken.empty() || v > hottest) hottest = v;
        taken.push_back(&readings[i]);
        seconds.push_back(ReadingSeconds(readings[i].Time));
    }
    const std::size_t n = taken.size();
    if (n == 0) return result;
    std::vector<double> terms(n);
    for (std::size_t k = 0; k < n; ++k) terms[k] = ScaledMktTerm(taken[k]->*channel, hottest);

    const std::int64_t interval = intervalSeconds && *intervalSeconds > 0 ? *intervalSeconds : 0;
    const std::int64_t end = seconds.back() + interval;
    if (seconds.front() + windowSeconds > end) {
        double sum = 0;
        for (const double t : terms) sum += t;
        result.Mkt = MeanKineticOfScaled(sum / static_cast<double>(n), hottest);
        result.Start = taken.front()->Time;
        result.ShorterThanWindow = true;
        result.Readings = n;
        return result;
    }

    // The window [lo, hi) is a queue made of two stacks so that its sum needs additions only
    // (subtracting the terms that leave would lose the small ones next to large ones): the older
    // part [lo, mid) keeps suffix sums in `suffix`, the newer part [mid, hi) a running sum. When
    // the older part runs empty the newer one becomes it. Each term is summed a constant number of
    // times.
    std::vector<double> suffix(n);
    std::size_t lo = 0, mid = 0, hi = 0;
    double newer = 0;
    double bestMean = -1;
    for (std::size_t start = 0; start < n; ++start) {
        if (start > 0 && seconds[start] == seconds[start - 1]) continue;  // the same window again
        if (seconds[start] + windowSeconds > end) break;
        while (lo < start) {
            if (lo == mid) {
                for (std::size_t k = hi; k-- > mid;) suffix[k] = terms[k] + (k + 1 < hi ? suffix[k + 1] : 0.0);
                mid = hi;
                newer = 0;
            }
            ++lo;
        }
        while (hi < n && seconds[hi] < seconds[start] + windowSeconds) newer += terms[hi++];
        const double sum = (lo < mid ? suffix[lo] : 0.0) + newer;
        const double mean = sum / static_cast<double>(hi - lo);
        if (mean > bestMean) {
            bestMean = mean;
            result.Start = taken[start]->Time;
            result.Readings = hi - lo;
        }
    }
    result.Mkt = MeanKineticOfScaled(bestMean, hottest);
    return result;
}

}  // namespace readings

#include "data/channel_statistics.h"

#include <algorithm>
#include <cmath>

#include "data/reading_gaps.h"

namespace readings {
namespace {

constexpr double kZeroCelsius = 273.15;

}  // namespace

double ScaledMktTerm(double celsius, double hottestCelsius) {
    return std::exp(kMktActivationKelvin / (hottestCelsius + kZeroCelsius) -
                    kMktActivationKelvin / (celsius + kZeroCelsius));
}

double MeanKineticOfScaled(double scaledMean, double hottestCelsius) {
    const double logMean = -kMktActivationKelvin / (hottestCelsius + kZeroCelsius) + std::log(scaledMean);
    return -kMktActivationKelvin / logMean - kZeroCelsius;
}

bool HasMktTerm(double celsius) { return celsius + kZeroCelsius > 0; }

TChannelStatistics ComputeChannelStatistics(const std::vector<TReading>& readings,
                                            const std::vector<std::size_t>& order, float TReading::*channel,
                                            std::optional<std::int64_t> intervalSeconds,
                                            const TTemperatureLimits& limits) {
    TChannelStatistics s;
    const std::int64_t interval = intervalSeconds && *intervalSeconds > 0 ? *intervalSeconds : 0;
    const std::optional<float> low = limits.Low ? std::optional<float>(static_cast<float>(*limits.Low)) : std::nullopt;
    const std::optional<float> high =
        limits.High ? std::optional<float>(static_cast<float>(*limits.High)) : std::nullopt;

    double sum = 0;
    const TReading* previous = nullptr;
    // The time the previous reading stands for is known once the next one is seen.
    const auto standFor = [&](const TReading& r, std::int64_t seconds) {
        const float v = r.*channel;
        s.SecondsCovered += seconds;
        if (low && v < *low) s.SecondsBelow += seconds;
        if (high && v > *high) s.SecondsAbove += seconds;
    };
    for (const std::size_t i : order) {
        const TReading& r = readings[i];
        const float v = r.*channel;
        if (!HasValue(v)) continue;
        if (s.Count == 0 || v < s.Minimum) s.Minimum = v, s.MinimumTime = r.Time;
        if (s.Count == 0 || v > s.Maximum) s.Maximum = v, s.MaximumTime = r.Time;
        sum += v;
        ++s.Count;
        if (previous) standFor(*previous, std::min(ReadingSeconds(r.Time) - ReadingSeconds(previous->Time), interval));
        previous = &r;
    }
    if (previous) standFor(*previous, interval);
    if (s.Count == 0) return s;
    s.Mean = sum / static_cast<double>(s.Count);

    // Second pass: the spread about the mean, and the MKT as a log of a sum of exponentials
    // scaled by the largest one (exp(-10000 / T) alone is about 1e-15 and falls to 0 for cold
    // values). Consecutive equal values, the usual case, reuse the last exponential.
    const double hottest = s.Maximum;
    const bool mktDefined = HasMktTerm(s.Minimum);
    double squares = 0, scaledSum = 0, lastValue = NAN, lastTerm = 0;
    for (const TReading& r : readings) {
        const float v = r.*channel;
        if (!HasValue(v)) continue;
        const double d = static_cast<double>(v) - s.Mean;
        squares += d * d;
        if (mktDefined) {
            if (static_cast<double>(v) != lastValue) {
                lastValue = v;
                lastTerm = ScaledMktTerm(v, hottest);
            }
            scaledSum += lastTerm;
        }
    }
    if (s.Count > 1) s.StandardDeviation = std::sqrt(squares / static_cast<double>(s.Count - 1));
    if (mktDefined) s.MeanKinetic = MeanKineticOfScaled(scaledSum / static_cast<double>(s.Count), hottest);
    return s;
}

}  // namespace readings

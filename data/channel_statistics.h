#pragma once
// Statistics of one channel over a set of readings: count, minimum and maximum with their times,
// mean, standard deviation, mean kinetic temperature and the time spent below and above limits.
//
// - Mean, standard deviation and MKT weigh every reading the same (a logger samples at a fixed
//   interval). The standard deviation is that of a sample (divided by n - 1; 0 for one reading).
// - MKT = (dH/R) / -ln(mean of exp(-(dH/R) / T)), T in kelvin (t + 273.15), with
//   dH/R = 10,000 K, given in degrees Celsius. A constant temperature gives itself; equal times
//   at 20 and 30 degrees give 26.26.
// - Time: a reading stands for the time up to the next reading of the channel (in time order),
//   but never more than one interval, so a gap in the readings counts neither below nor above;
//   the last reading stands for one interval. Without an interval every reading stands for 0 s.
// - Limits: a value below the low limit or above the high limit; a value equal to a limit is
//   within it. Both are compared as the 32-bit floats that readings are held in, so a reading of
//   2.1 is not below a limit of 2.1.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "data/reading_record.h"

namespace readings {

// dH/R of the mean kinetic temperature, in kelvin: the usual value for storage studies.
inline constexpr double kMktActivationKelvin = 10'000.0;

// The MKT of a set of values through terms scaled by its hottest value: exp(-10000 / T) alone
// is about 1e-15 and falls to 0 for cold values. ScaledMktTerm(v, hottest) is exp(dH/R / T_hot -
// dH/R / T_v); the MKT is MeanKineticOfScaled(mean of those terms, hottest). Both in degrees
// Celsius; the values must lie above absolute zero.
double ScaledMktTerm(double celsius, double hottestCelsius);
double MeanKineticOfScaled(double scaledMean, double hottestCelsius);
// Whether a value has an MKT term: it lies above absolute zero.
bool HasMktTerm(double celsius);

struct TTemperatureLimits {
    std::optional<double> Low, High;  // degrees Celsius; empty: no such limit
};

struct TChannelStatistics {
    std::size_t Count = 0;  // readings that have a value on this channel; the rest is 0 without
    float Minimum = 0, Maximum = 0;
    TDateTime MinimumTime = 0, MaximumTime = 0;  // the earliest reading with that value
    double Mean = 0;
    double StandardDeviation = 0;
    // Empty without readings, or with a value at or below absolute zero.
    std::optional<double> MeanKinetic;
    std::int64_t SecondsCovered = 0;  // the time all readings stand for
    std::int64_t SecondsBelow = 0, SecondsAbove = 0;
};

// The statistics of channel `channel` (&TReading::Channel1 or &TReading::Channel2) of `readings`,
// visited in `order` (TimeOrder). `intervalSeconds` empty or 0: unknown.
TChannelStatistics ComputeChannelStatistics(const std::vector<TReading>& readings,
                                            const std::vector<std::size_t>& order, float TReading::*channel,
                                            std::optional<std::int64_t> intervalSeconds,
                                            const TTemperatureLimits& limits);

}  // namespace readings

// Alarm rules and the rolling MKT over a million one-minute readings. Targets: a four-rule
// profile in at most 0.2 s, the highest 30-day MKT in at most 0.5 s. Both include putting the
// readings in time order and finding the interval, as the statistics do before them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "data/alarm_evaluation.h"
#include "data/reading_gaps.h"
#include "data/rolling_mkt.h"

namespace {

constexpr long kReadings = 1000000;

// Channel 1 swings between about 0 and 34 degrees over a day, so every rule has many excursions.
const std::vector<readings::TReading>& MillionReadings() {
    static const std::vector<readings::TReading> readings = [] {
        std::vector<readings::TReading> r;
        r.reserve(kReadings);
        const TDateTime start = LoggerFormat().TextToDateTime("2017-03-05 00:00:00");
        for (long i = 0; i < kReadings; ++i) {
            const double t = static_cast<double>(i);
            const float v1 = std::round(static_cast<float>(17.0 + 17.0 * std::sin(t / 229.0)) * 10.0f) / 10.0f;
            r.push_back({start + t / 1440.0, v1, static_cast<float>(-18.0 + (i % 77) * 0.1), static_cast<std::size_t>(i)});
        }
        return r;
    }();
    return readings;
}

void BM_FourRuleProfile(benchmark::State& state) {
    using readings::TRuleCompare;
    using readings::TRuleKind;
    const readings::TAlarmProfile profile{
        "bench",
        {{readings::TRuleChannels::Channel1, TRuleCompare::Greater, 8, TRuleKind::Single, 0, ""},
         {readings::TRuleChannels::Channel1, TRuleCompare::Less, 2, TRuleKind::Single, 0, ""},
         {readings::TRuleChannels::Channel1, TRuleCompare::GreaterOrEqual, 30, TRuleKind::Consecutive, 3600, ""},
         {readings::TRuleChannels::Channel1, TRuleCompare::GreaterOrEqual, 25, TRuleKind::Cumulative, 36000, ""}}};
    const auto& r = MillionReadings();
    for (auto _ : state) {
        const auto order = readings::TimeOrder(r);
        const auto gaps = readings::FindReadingGaps(r, order);
        const auto result = readings::EvaluateProfile(r, order, gaps.IntervalSeconds, profile);
        benchmark::DoNotOptimize(result.Rules.data());
    }
    state.SetItemsProcessed(state.iterations() * kReadings);
}
BENCHMARK(BM_FourRuleProfile)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_HighestRollingMkt30Days(benchmark::State& state) {
    const auto& r = MillionReadings();
    for (auto _ : state) {
        const auto order = readings::TimeOrder(r);
        const auto gaps = readings::FindReadingGaps(r, order);
        const auto mkt =
            readings::HighestRollingMkt(r, order, &readings::TReading::Channel1, gaps.IntervalSeconds, 30 * 86400);
        benchmark::DoNotOptimize(mkt.Mkt);
    }
    state.SetItemsProcessed(state.iterations() * kReadings);
}
BENCHMARK(BM_HighestRollingMkt30Days)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();

#include "data/alarm_evaluation.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "data/reading_gaps.h"
#include "data/rolling_mkt.h"

namespace readings {
namespace {

const LoggerFormat kFormat;
const TDateTime kStart = kFormat.TextToDateTime("2026-03-01 10:00:00");

TDateTime At(int seconds) { return kStart + seconds / 86'400.0; }

// Channel 1 readings at the given seconds after 10:00 with the given values; channel 2 has none.
std::vector<TReading> Readings(const std::vector<std::pair<int, float>>& points) {
    std::vector<TReading> readings;
    for (const auto& [seconds, value] : points) readings.push_back({At(seconds), value, NAN, readings.size()});
    return readings;
}

TAlarmRule Rule(TRuleCompare compare, double limit, TRuleKind kind = TRuleKind::Single, std::int64_t seconds = 0) {
    return {TRuleChannels::Channel1, compare, limit, kind, seconds, ""};
}

TRuleResult EvaluateOne(const std::vector<TReading>& readings, const TAlarmRule& rule) {
    const TProfileResult result = EvaluateProfile(readings, TimeOrder(readings), 60, {"test", {rule}});
    return result.Rules.at(0);
}

struct ExcursionRow {
    const char* name;
    std::vector<std::pair<int, float>> points;
    TAlarmRule rule;
    bool triggered;
    std::int64_t secondsBeyond;
    std::vector<TExcursion> excursions;
};

void PrintTo(const ExcursionRow& row, std::ostream* os) { *os << row.name; }

// An excursion from `from` to `to` seconds after 10:00, peak `peak` at `peakAt`.
TExcursion Ex(int from, int to, std::int64_t seconds, float peak, int peakAt) {
    return {At(from), At(to), seconds, peak, At(peakAt)};
}

class Excursions : public testing::TestWithParam<ExcursionRow> {};

TEST_P(Excursions, MatchTheRule) {
    const ExcursionRow& row = GetParam();
    const TRuleResult r = EvaluateOne(Readings(row.points), row.rule);
    EXPECT_EQ(row.triggered, r.Triggered);
    EXPECT_EQ(row.secondsBeyond, r.SecondsBeyond);
    ASSERT_EQ(row.excursions.size(), r.Excursions.size());
    for (std::size_t i = 0; i < row.excursions.size(); ++i) {
        const TExcursion& want = row.excursions[i];
        const TExcursion& got = r.Excursions[i];
        EXPECT_EQ(ReadingSeconds(want.Start), ReadingSeconds(got.Start)) << "excursion " << i;
        EXPECT_EQ(ReadingSeconds(want.End), ReadingSeconds(got.End)) << "excursion " << i;
        EXPECT_EQ(want.Seconds, got.Seconds) << "excursion " << i;
        EXPECT_EQ(want.Peak, got.Peak) << "excursion " << i;
        EXPECT_EQ(ReadingSeconds(want.PeakTime), ReadingSeconds(got.PeakTime)) << "excursion " << i;
    }
}

using C = TRuleCompare;
using K = TRuleKind;

INSTANTIATE_TEST_SUITE_P(
    Rules, Excursions,
    testing::Values(
        // 10:02 -> 10:05 is three intervals: the run splits; 10:02 still stands for one interval.
        ExcursionRow{"GapSplitsAnExcursion",
                     {{0, 9}, {60, 10}, {120, 9}, {300, 9.5f}, {360, 9}, {420, 7}},
                     Rule(C::Greater, 8),
                     true,
                     300,
                     {Ex(0, 180, 180, 10, 60), Ex(300, 420, 120, 9.5f, 300)}},
        // 90 s is 1.5 intervals, not more: no gap, and the reading before it stands for 60 s.
        ExcursionRow{"OneAndAHalfIntervalsIsNoGap",
                     {{0, 9}, {90, 9}, {150, 7}},
                     Rule(C::Greater, 8),
                     true,
                     120,
                     {Ex(0, 150, 120, 9, 0)}},
        ExcursionRow{"EqualValueIsBeyondAtOrAbove",
                     {{0, 8}, {60, 8}, {120, 7.9f}},
                     Rule(C::GreaterOrEqual, 8),
                     true,
                     120,
                     {Ex(0, 120, 120, 8, 0)}},
        ExcursionRow{"EqualValueIsWithinAbove", {{0, 8}, {60, 8}, {120, 7.9f}}, Rule(C::Greater, 8), false, 0, {}},
        // 8.1 as a 32-bit float is not above 8.1 narrowed the same way.
        ExcursionRow{"LimitComparedAsFloat", {{0, 8.1f}}, Rule(C::Greater, 8.1), false, 0, {}},
        ExcursionRow{"LastReadingStandsForOneInterval",
                     {{0, 5}, {60, 9}},
                     Rule(C::Greater, 8),
                     true,
                     60,
                     {Ex(60, 120, 60, 9, 60)}},
        // Lowest value first met at 10:01 is the peak of a "<" rule.
        ExcursionRow{"PeakOfALowLimit",
                     {{0, 1}, {60, 0.5f}, {120, 0.5f}, {180, 3}},
                     Rule(C::Less, 2),
                     true,
                     180,
                     {Ex(0, 180, 180, 0.5f, 60)}},
        // 4 + 3 + 3 minutes at or above 30: the total reaches 10 minutes with the last excursion.
        ExcursionRow{"CumulativeTriggersWithItsLastExcursion",
                     {{0, 30}, {60, 31}, {120, 30}, {180, 30}, {240, 20}, {300, 32}, {360, 30}, {420, 30},
                      {480, 20}, {540, 30}, {600, 30}, {660, 33}},
                     Rule(C::GreaterOrEqual, 30, K::Cumulative, 600),
                     true,
                     600,
                     {Ex(0, 240, 240, 31, 60), Ex(300, 480, 180, 32, 300), Ex(540, 720, 180, 33, 660)}},
        ExcursionRow{"CumulativeShortOfItsTotal",
                     {{0, 30}, {60, 31}, {120, 30}, {180, 30}, {240, 20}, {300, 32}, {360, 30}, {420, 30}},
                     Rule(C::GreaterOrEqual, 30, K::Cumulative, 600),
                     false,
                     420,
                     {Ex(0, 240, 240, 31, 60), Ex(300, 480, 180, 32, 300)}},
        ExcursionRow{"ConsecutiveReachedExactly",
                     {{0, 9}, {60, 9}, {120, 9}, {180, 5}},
                     Rule(C::Greater, 8, K::Consecutive, 180),
                     true,
                     180,
                     {Ex(0, 180, 180, 9, 0)}},
        // Two excursions of 2 minutes are 4 minutes beyond, but none lasts 3.
        ExcursionRow{"ConsecutiveNeedsOneLongExcursion",
                     {{0, 9}, {60, 9}, {120, 5}, {180, 9}, {240, 9}, {300, 5}},
                     Rule(C::Greater, 8, K::Consecutive, 180),
                     false,
                     240,
                     {Ex(0, 120, 120, 9, 0), Ex(180, 300, 120, 9, 180)}}),
    [](const testing::TestParamInfo<ExcursionRow>& info) { return std::string(info.param.name); });

TEST(AlarmEvaluation, RuleOnBothChannelsAndMissingValues) {
    // Channel 2 lacks its value at 10:01, which is a gap of two intervals for that channel only.
    std::vector<TReading> readings = {{At(0), 9, 9, 0}, {At(60), 9, NAN, 1}, {At(120), 9, 9, 2}, {At(180), 1, 1, 3}};
    const TAlarmProfile profile = LimitsProfile({2.0, 8.0});
    ASSERT_EQ(2u, profile.Rules.size());
    const TProfileResult result = EvaluateProfile(readings, TimeOrder(readings), 60, profile);
    ASSERT_EQ(4u, result.Rules.size());
    // Below 2 on channels 1 and 2, then above 8 on channels 1 and 2.
    EXPECT_EQ(0u, result.Rules[0].Rule);
    EXPECT_EQ(1, result.Rules[0].Channel);
    EXPECT_EQ(2, result.Rules[1].Channel);
    EXPECT_EQ(60, result.Rules[0].SecondsBeyond);
    EXPECT_EQ(1u, result.Rules[2].Rule);
    EXPECT_EQ(180, result.Rules[2].SecondsBeyond);
    EXPECT_EQ(1u, result.Rules[2].Excursions.size());
    EXPECT_EQ(2u, result.Rules[3].Excursions.size());
    EXPECT_EQ(120, result.Rules[3].SecondsBeyond);
    EXPECT_EQ(std::optional<std::size_t>(0), result.Rules[3].Longest);
    EXPECT_TRUE(result.AnyTriggered());
}

struct RollingRow {
    const char* name;
    std::vector<std::pair<int, float>> points;
    std::int64_t window;
    double mkt;
    int start;
    bool shorter;
    std::size_t readings;
};

void PrintTo(const RollingRow& row, std::ostream* os) { *os << row.name; }

class RollingMkt : public testing::TestWithParam<RollingRow> {};

TEST_P(RollingMkt, HighestWindow) {
    const RollingRow& row = GetParam();
    const std::vector<TReading> readings = Readings(row.points);
    const TRollingMkt r = HighestRollingMkt(readings, TimeOrder(readings), &TReading::Channel1, 60, row.window);
    ASSERT_TRUE(r.Mkt.has_value());
    EXPECT_NEAR(row.mkt, *r.Mkt, 0.005);
    EXPECT_EQ(ReadingSeconds(At(row.start)), ReadingSeconds(r.Start));
    EXPECT_EQ(row.shorter, r.ShorterThanWindow);
    EXPECT_EQ(row.readings, r.Readings);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, RollingMkt,
    testing::Values(
        // The last reading's time plus one interval is 10:04: a 4-minute window fits once.
        RollingRow{"FitsExactlyOnce", {{0, 20}, {60, 30}, {120, 20}, {180, 30}}, 240, 26.26, 0, false, 4},
        RollingRow{"ShorterThanTheWindow", {{0, 20}, {60, 30}, {120, 20}, {180, 30}}, 300, 26.26, 0, true, 4},
        // Windows of two minutes: 20 20 | 20 30 | 30 30 | 30 20; 10:04 would end after 10:05.
        RollingRow{"HottestWindowWins", {{0, 20}, {60, 20}, {120, 30}, {180, 30}, {240, 20}}, 120, 30, 120, false, 2},
        RollingRow{"FirstOfEqualWindows", {{0, 30}, {60, 20}, {120, 30}}, 60, 30, 0, false, 1},
        // A window holds the readings of its time span, however many: the one from 10:01 only 40.
        RollingRow{"WindowsByTimeNotCount", {{0, 25}, {60, 40}, {600, 40}, {660, 20}}, 120, 40, 60, false, 1},
        // A repeated time starts one window, holding both of its readings.
        RollingRow{"RepeatedTime", {{0, 20}, {60, 30}, {60, 30}, {120, 20}}, 60, 30, 60, false, 2}),
    [](const testing::TestParamInfo<RollingRow>& info) { return std::string(info.param.name); });

TEST(RollingMkt, NoMktWithoutValuesOrBelowAbsoluteZero) {
    const std::vector<TReading> none;
    EXPECT_FALSE(HighestRollingMkt(none, {}, &TReading::Channel1, 60, 3600).Mkt.has_value());
    const std::vector<TReading> cold = Readings({{0, 20}, {60, -300}});
    EXPECT_FALSE(HighestRollingMkt(cold, TimeOrder(cold), &TReading::Channel1, 60, 60).Mkt.has_value());
    EXPECT_FALSE(HighestRollingMkt(cold, TimeOrder(cold), &TReading::Channel2, 60, 60).Mkt.has_value());
}

// Sliding must give what summing each window afresh gives, also after many windows of mixed
// values where a running difference would drift.
TEST(RollingMkt, SlidingMatchesEachWindowSummedAfresh) {
    std::vector<std::pair<int, float>> points;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        points.push_back({i * 60, static_cast<float>(seed >> 20) / 100.0f - 5.0f});
    }
    const std::vector<TReading> readings = Readings(points);
    const TRollingMkt r = HighestRollingMkt(readings, TimeOrder(readings), &TReading::Channel1, 60, 3600);
    double best = -1e9;
    int bestStart = -1;
    for (std::size_t s = 0; s + 60 <= points.size(); ++s) {
        const std::vector<TReading> window(readings.begin() + static_cast<std::ptrdiff_t>(s),
                                           readings.begin() + static_cast<std::ptrdiff_t>(s + 60));
        const double mkt = *ComputeChannelStatistics(window, TimeOrder(window), &TReading::Channel1, 60, {}).MeanKinetic;
        if (mkt > best + 1e-12) best = mkt, bestStart = points[s].first;
    }
    ASSERT_TRUE(r.Mkt.has_value());
    EXPECT_NEAR(best, *r.Mkt, 1e-9);
    EXPECT_EQ(ReadingSeconds(At(bestStart)), ReadingSeconds(r.Start));
}

}  // namespace
}  // namespace readings

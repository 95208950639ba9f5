#include "data/reading_statistics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace readings {
namespace {

const LoggerFormat kFormat;

TDateTime At(const char* text) { return kFormat.TextToDateTime(text); }

// Readings one minute apart from 2026-03-01 10:00 with the given channel 1 values (channel 2
// the same plus 10).
std::vector<TReading> Minutes(const std::vector<float>& values) {
    std::vector<TReading> readings;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const TDateTime time = At("2026-03-01 10:00:00") + EncodeTime(0, static_cast<int>(i), 0);
        readings.push_back({time, values[i], values[i] + 10, i});
    }
    return readings;
}

struct MktRow {
    const char* name;
    std::vector<float> values;
    double mkt, mean, standardDeviation;
};

void PrintTo(const MktRow& row, std::ostream* os) { *os << row.name; }

class MeanKinetic : public testing::TestWithParam<MktRow> {};

// Reference values worked out by hand from the formula (dH/R = 10,000 K).
TEST_P(MeanKinetic, MatchesTheReferenceValues) {
    const MktRow& row = GetParam();
    const TChannelStatistics s = ComputeStatistics(Minutes(row.values), {}).Channel1;
    ASSERT_TRUE(s.MeanKinetic.has_value());
    EXPECT_NEAR(row.mkt, *s.MeanKinetic, 0.005);
    EXPECT_NEAR(row.mean, s.Mean, 1e-9);
    EXPECT_NEAR(row.standardDeviation, s.StandardDeviation, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Values, MeanKinetic,
    testing::Values(MktRow{"ConstantGivesItself", {25, 25, 25, 25}, 25.0, 25.0, 0.0},
                    MktRow{"FrozenConstant", {-18, -18}, -18.0, -18.0, 0.0}, MktRow{"OneReading", {4}, 4.0, 4.0, 0.0},
                    MktRow{"EqualTimesAt20And30", {20, 30, 20, 30}, 26.26, 25.0, 5.773502691896258},
                    MktRow{"ColdChain2And8", {2, 8}, 5.54, 5.0, 4.242640687119285},
                    MktRow{"WideSpread", {-20, 40}, 33.35, 10.0, 42.42640687119285}),
    [](const testing::TestParamInfo<MktRow>& info) { return std::string(info.param.name); });

TEST(ChannelStatistics, LimitsAndTimeOutsideThem) {
    // 1.5 and 2.0 are below 2.1; 2.1 itself is not (as read, not as a double); 8.5 is above 8.0.
    std::vector<TReading> readings = Minutes({1.5f, 2.0f, 2.1f, 8.0f, 8.5f, 3.0f});
    // Ten minutes missing after the 8.5: it still stands for one interval only.
    readings[5].Time += EncodeTime(0, 10, 0);
    readings[1].Channel2 = NAN;
    TStatisticsOptions options;
    options.Limits = {2.1, 8.0};
    const TReadingStatistics s = ComputeStatistics(readings, options);

    EXPECT_EQ(6u, s.Channel1.Count);
    EXPECT_EQ(1.5f, s.Channel1.Minimum);
    EXPECT_EQ(readings[0].Time, s.Channel1.MinimumTime);
    EXPECT_EQ(8.5f, s.Channel1.Maximum);
    EXPECT_EQ(readings[4].Time, s.Channel1.MaximumTime);
    EXPECT_EQ(360, s.Channel1.SecondsCovered);
    EXPECT_EQ(120, s.Channel1.SecondsBelow);
    EXPECT_EQ(60, s.Channel1.SecondsAbove);

    // Channel 2 (11.5, 12.1, 18.0, 18.5, 13.0) lacks one value: that minute counts nowhere.
    EXPECT_EQ(5u, s.Channel2.Count);
    EXPECT_EQ(0, s.Channel2.SecondsBelow);
    EXPECT_EQ(300, s.Channel2.SecondsAbove);
    EXPECT_EQ(300, s.Channel2.SecondsCovered);
}

TEST(ChannelStatistics, NothingToCountAndAbsoluteZero) {
    const TReadingStatistics none = ComputeStatistics({}, {});
    EXPECT_EQ(0u, none.Readings);
    EXPECT_FALSE(none.First.has_value());
    EXPECT_EQ(0u, none.Channel1.Count);
    EXPECT_FALSE(none.Channel1.MeanKinetic.has_value());
    EXPECT_FALSE(none.Gaps.IntervalSeconds.has_value());

    // A value below absolute zero has no MKT; the rest of the statistics stand.
    std::vector<TReading> readings = Minutes({20.0f, -300.0f});
    readings[1].Channel2 = 20.0f;
    const TReadingStatistics cold = ComputeStatistics(readings, {});
    EXPECT_FALSE(cold.Channel1.MeanKinetic.has_value());
    EXPECT_EQ(-300.0f, cold.Channel1.Minimum);
    EXPECT_NEAR(26.26, cold.Channel2.MeanKinetic.value_or(0), 0.005);
}

// A file of one-minute readings with three missing, one repeated and one out of place, and lines
// that are no readings.
TEST(ReadingGaps, FileWithGapsAndRepeats) {
    TLineStore lines;
    lines.Assign({"2026-03-01 10:00:00    21.0    19.0", "2026-03-01 10:01:00    21.1    19.0",
                  "2026-03-01 10:02:00    21.2    19.0", "N?", "2026-03-01 10:06:00    21.6    19.0",
                  "2026-03-01 10:07:00    21.7    19.0", "2026-03-01 10:07:00    21.7    19.0",
                  "2026-03-01 10:08:00    21.8    19.0", "2026-03-01 10:04:00    21.4    19.0",
                  "2026-03-01 10:09:00    21.9    19.0"});
    const std::vector<TReading> readings = ReadReadings(lines);
    ASSERT_EQ(9u, readings.size());

    const TReadingStatistics s = ComputeStatistics(readings, {});
    EXPECT_EQ(std::optional<std::int64_t>(60), s.Gaps.IntervalSeconds);
    EXPECT_FALSE(s.Gaps.IntervalGiven);
    // 10:03 and 10:05 are missing on either side of the late 10:04.
    EXPECT_EQ((std::vector<TReadingGap>{{At("2026-03-01 10:02:00"), At("2026-03-01 10:04:00"), 1},
                                        {At("2026-03-01 10:04:00"), At("2026-03-01 10:06:00"), 1}}),
              s.Gaps.Gaps);
    EXPECT_EQ(2, s.Gaps.MissingReadings);
    EXPECT_EQ((std::vector<TOutOfOrderReading>{{8, At("2026-03-01 10:04:00"), At("2026-03-01 10:08:00")}}),
              s.Gaps.OutOfOrder);
    EXPECT_EQ((std::vector<TRepeatedTime>{{At("2026-03-01 10:07:00"), 2}}), s.Gaps.Repeats);
    EXPECT_EQ(1u, s.Gaps.RepeatedReadings);
    EXPECT_EQ(At("2026-03-01 10:00:00"), s.First);
    EXPECT_EQ(At("2026-03-01 10:09:00"), s.Last);
    // In time order the minimum and maximum are the first and last readings.
    EXPECT_EQ(21.0f, s.Channel1.Minimum);
    EXPECT_EQ(21.9f, s.Channel1.Maximum);

    // A given interval of two minutes leaves no gap; one of 20 s finds two readings missing in
    // every step of a minute or more.
    TStatisticsOptions given;
    given.IntervalSeconds = 120;
    EXPECT_TRUE(ComputeStatistics(readings, given).Gaps.Gaps.empty());
    given.IntervalSeconds = 20;
    const TReadingGaps fine = ComputeStatistics(readings, given).Gaps;
    EXPECT_TRUE(fine.IntervalGiven);
    EXPECT_EQ(7u, fine.Gaps.size());
    EXPECT_EQ(2, fine.Gaps.front().Missing);

    // A range takes only the readings within it, both ends included.
    TStatisticsOptions range;
    range.From = At("2026-03-01 10:06:00");
    range.To = At("2026-03-01 10:08:00");
    const TReadingStatistics part = ComputeStatistics(readings, range);
    EXPECT_EQ(4u, part.Readings);
    EXPECT_TRUE(part.Gaps.Gaps.empty());
    EXPECT_TRUE(part.Gaps.OutOfOrder.empty());
    EXPECT_EQ(1u, part.Gaps.RepeatedReadings);
}

}  // namespace
}  // namespace readings

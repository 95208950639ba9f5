#include "chart/profile_limits.h"

#include <gtest/gtest.h>

#include "base/logger_format.h"
#include "chart/logger_chart_picture.h"
#include "chartengine/testing/test_application.h"
#include "data/alarm_profile_file.h"
#include "data/reading_gaps.h"

namespace {

const double kStart = EncodeDate(2017, 3, 5);

// Readings ten minutes apart; times in whole minutes after midnight.
std::vector<readings::TReading> Readings(const std::vector<std::pair<float, float>>& values) {
    std::vector<readings::TReading> out;
    for (std::size_t i = 0; i < values.size(); ++i)
        out.push_back({kStart + EncodeTime(0, 10 * static_cast<int>(i), 0), values[i].first, values[i].second, i});
    return out;
}

readings::TAlarmProfile Profile(const std::vector<const char*>& rules) {
    readings::TAlarmProfile profile{"test", {}};
    for (const char* text : rules) {
        readings::TProfileError error;
        profile.Rules.push_back(*readings::ParseAlarmRule(text, error));
    }
    return profile;
}

readings::TProfileResult Evaluate(const std::vector<readings::TReading>& r, const readings::TAlarmProfile& profile) {
    const std::vector<std::size_t> order = readings::TimeOrder(r);
    return readings::EvaluateProfile(r, order, readings::FindReadingGaps(r, order).IntervalSeconds, profile);
}

std::vector<std::pair<long, long>> BandMinutes(TLoggerChartPicture& picture) {
    std::vector<std::pair<long, long>> minutes;
    for (const TPlotBand& b : picture.Canvas().Bands())
        minutes.emplace_back(std::lround((b.From - kStart) * 1440), std::lround((b.To - kStart) * 1440));
    return minutes;
}

// Nested and overlapping excursions of several rules and both channels shade each span once; a limit
// that several rules share is one line.
TEST(ProfileLimits, OneLinePerLimitAndOneBandPerShadedSpan) {
    TestApplication();
    const std::vector<readings::TReading> r =
        Readings({{20, 20}, {31, 20}, {46, 20}, {31, 20}, {20, 20}, {20, 32}, {20, 20}, {20, 20}, {31, 31}});
    const readings::TAlarmProfile profile = Profile({"1 >= 45 consecutive 1h", "both >= 30 cumulative 10h",
                                                     "1 <= -0.5 single", "2 >= 30 single | the same limit again"});
    TLoggerChartPicture picture;
    ShowProfileLimits(picture.Plot(), profile, Evaluate(r, profile));
    std::vector<double> lines;
    for (const TPlotMarkerLine& l : picture.Canvas().MarkerLines()) lines.push_back(l.Value);
    EXPECT_EQ((std::vector<double>{45, 30, -0.5}), lines);
    // 10:00-40:00 channel 1 (>= 45 inside >= 30), 50:00-60:00 channel 2, 80:00-90:00 both channels;
    // the last reading stands for one interval.
    EXPECT_EQ((std::vector<std::pair<long, long>>{{10, 40}, {50, 60}, {80, 90}}), BandMinutes(picture));

    // Touching spans join: channel 2 from 20:00 meets the end of channel 1's excursion.
    const std::vector<readings::TReading> touching = Readings({{31, 20}, {31, 20}, {20, 31}, {20, 20}});
    const readings::TAlarmProfile both = Profile({"both > 30 single"});
    ShowProfileLimits(picture.Plot(), both, Evaluate(touching, both));
    EXPECT_EQ((std::vector<std::pair<long, long>>{{0, 30}}), BandMinutes(picture));

    ShowProfileLimits(picture.Plot(), {}, {});
    EXPECT_TRUE(picture.Canvas().MarkerLines().empty());
    EXPECT_TRUE(picture.Canvas().Bands().empty());
}

}  // namespace

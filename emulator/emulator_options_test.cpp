#include "emulator/emulator_options.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "emulator/byte_pacer.h"

namespace emulator {
namespace {

using Args = std::vector<std::string>;

TEST(OptionsTest, DefaultsAnswerLikeAFreshLogger) {
    const Options o = ParseOptions({});
    EXPECT_EQ(o.Model.Model, "KX-15-1");
    EXPECT_EQ(o.Model.LinesPerRequest, 25);
    EXPECT_EQ(o.Model.IntervalSec, 60);
    EXPECT_FALSE(o.Model.StartSec.has_value());
    EXPECT_FALSE(o.Faults.CrLf || o.Faults.Silent || o.Faults.CutLine || o.Faults.Noise);
    EXPECT_EQ(BytePeriodUs(o), 0);
    EXPECT_EQ(o.DeviceMapFile, "");
}

TEST(OptionsTest, EveryOptionInBothForms) {
    const Options o = ParseOptions({"--model",
                                    "KXW-16-2 ",
                                    "--clock-offset=-90",
                                    "--start",
                                    "2024-03-05 12:00:00",
                                    "--stop=2024-03-06",
                                    "--interval",
                                    "00:00:30",
                                    "--lines-per-request=24",
                                    "--battery",
                                    "3100",
                                    "--c-answer=",
                                    "--devicemap",
                                    "/tmp/map",
                                    "--crlf",
                                    "--silent",
                                    "--silent-after",
                                    "4",
                                    "--slow-bytes=3",
                                    "--cut-line",
                                    "--noise",
                                    "--noise-seed",
                                    "9",
                                    "--baud",
                                    "9600",
                                    "--line-noise=40",
                                    "--lost-lf",
                                    "55",
                                    "--unplug-after",
                                    "300",
                                    "--bad-reading",
                                    "7",
                                    "--bad-reading=12"});
    EXPECT_EQ(o.Model.Model, "KXW-16-2 ");
    EXPECT_EQ(o.Model.ClockOffsetMs, -90'000);
    EXPECT_EQ(o.Model.StartSec, ParseLoggerTime("2024-03-05 12:00:00"));
    EXPECT_EQ(o.Model.StopSec, ParseLoggerTime("2024-03-06 00:00:00"));
    EXPECT_EQ(o.Model.IntervalSec, 30);
    EXPECT_EQ(o.Model.LinesPerRequest, 24);
    EXPECT_EQ(o.Model.BatteryMv, 3100);
    EXPECT_EQ(o.Model.CAnswer, "");
    EXPECT_EQ(o.DeviceMapFile, "/tmp/map");
    EXPECT_TRUE(o.Faults.CrLf && o.Faults.Silent && o.Faults.CutLine && o.Faults.Noise);
    EXPECT_EQ(o.Faults.SilentAfter, 4);
    EXPECT_EQ(o.Faults.NoiseSeed, 9u);
    EXPECT_EQ(o.SlowBytesMs, 3);
    EXPECT_EQ(o.Baud, 9600);
    EXPECT_EQ(BytePeriodUs(o), 3000);  // the slower of the two rules wins
    EXPECT_EQ(o.Faults.LineNoiseEvery, 40);
    EXPECT_EQ(o.Faults.LostLineFeedEvery, 55);
    EXPECT_EQ(o.Faults.UnplugAfter, 300);
    EXPECT_EQ(o.Model.BadReadings, (std::vector<std::int64_t>{7, 12}));
    EXPECT_EQ(ParseOptions({"--start-in", "3600"}).Model.StartsInSec, 3600);

    EXPECT_EQ(ParseOptions({"--interval", "90"}).Model.IntervalSec, 90);
    EXPECT_EQ(ParseOptions({"--readings", "60"}).Model.Readings, 60);
    EXPECT_EQ(BytePeriodUs(ParseOptions({"--baud", "115200"})), 87);  // 86.8 us rounded up
    EXPECT_TRUE(ParseOptions({"--help"}).Help);
}

struct BadRow {
    const char* name;
    Args args;
};

class BadOptionsTest : public ::testing::TestWithParam<BadRow> {};

TEST_P(BadOptionsTest, AreRejectedWithAReason) {
    try {
        ParseOptions(GetParam().args);
        FAIL() << "accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadOptionsTest,
    ::testing::Values(BadRow{"Unknown", {"--fast"}}, BadRow{"NotAnOption", {"KX-05"}},
                      BadRow{"MissingValue", {"--model"}}, BadRow{"FlagWithValue", {"--crlf=1"}},
                      BadRow{"NotANumber", {"--baud", "fast"}}, BadRow{"TrailingJunk", {"--readings", "12x"}},
                      BadRow{"ZeroBaud", {"--baud", "0"}}, BadRow{"NegativeReadings", {"--readings", "-1"}},
                      BadRow{"BadStart", {"--start", "2024-02-30 00:00:00"}},
                      BadRow{"ZeroInterval", {"--interval", "00:00:00"}},
                      BadRow{"DayInterval", {"--interval", "86400"}}, BadRow{"BadInterval", {"--interval", "1m"}},
                      BadRow{"EmptyMapName", {"--devicemap="}},
                      BadRow{"ReadingsWithStart", {"--readings", "5", "--start", "2024-03-05 12:00:00"}},
                      BadRow{"StartInWithReadings", {"--start-in", "60", "--readings", "5"}},
                      BadRow{"ZeroUnplug", {"--unplug-after", "0"}}, BadRow{"ZeroLineNoise", {"--line-noise", "0"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BytePacerTest, SpacesBytesAndCatchesUpWhenLate) {
    BytePacer pacer(1000);
    pacer.Restart(10'000);
    EXPECT_EQ(pacer.Allowed(10'000, 10), 1u);
    pacer.Sent(1);
    EXPECT_EQ(pacer.Allowed(10'500, 9), 0u);
    EXPECT_EQ(pacer.WaitUs(10'500), 500);
    EXPECT_EQ(pacer.Allowed(13'200, 9), 3u);  // woken late: the backlog goes at once
    pacer.Sent(3);
    EXPECT_EQ(pacer.Allowed(14'000, 1), 1u);
    pacer.Sent(1);
    // After an idle second the next burst starts afresh, without saved-up credit.
    pacer.Restart(1'000'000);
    EXPECT_EQ(pacer.Allowed(1'000'000, 50), 1u);

    BytePacer unpaced(0);
    unpaced.Restart(5);
    EXPECT_EQ(unpaced.Allowed(5, 4096), 4096u);
    EXPECT_EQ(unpaced.WaitUs(5), 0);
}

}  // namespace
}  // namespace emulator

// Progress on standard error: a line per 10 % step into a file, a throttled bar on a terminal.
#include "cli/progress_meter.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

TEST(ProgressLines, OneLinePerStepReachedAndAClosingCount) {
    TProgressMeter meter(61, false);
    std::string all;
    for (int done = 0; done <= 61; ++done) all += meter.Update(done, done * 10);
    EXPECT_EQ(
        "Downloaded 7 of 61 readings (11%)\nDownloaded 13 of 61 readings (21%)\n"
        "Downloaded 19 of 61 readings (31%)\nDownloaded 25 of 61 readings (40%)\n"
        "Downloaded 31 of 61 readings (50%)\nDownloaded 37 of 61 readings (60%)\n"
        "Downloaded 43 of 61 readings (70%)\nDownloaded 49 of 61 readings (80%)\n"
        "Downloaded 55 of 61 readings (90%)\nDownloaded 61 of 61 readings (100%)\n",
        all);
    EXPECT_EQ("", meter.Finish(61, 700)) << "the last line already showed the count";
}

TEST(ProgressLines, JumpsWriteOneLineAndAStopStillSaysWhereItEnded) {
    TProgressMeter meter(1000, false);
    EXPECT_EQ("", meter.Update(99, 1));
    EXPECT_EQ("Downloaded 350 of 1000 readings (35%)\n", meter.Update(350, 2));
    EXPECT_EQ("", meter.Update(399, 3));
    EXPECT_EQ("Downloaded 420 of 1000 readings (42%)\n", meter.Finish(420, 4));
}

TEST(ProgressLines, CountsBeyondTheTotalAndEmptyTotalsStayAtOneHundred) {
    TProgressMeter over(10, false);
    EXPECT_EQ("Downloaded 10 of 10 readings (100%)\n", over.Update(24, 5));
    TProgressMeter none(0, false);
    EXPECT_EQ("Downloaded 0 of 0 readings (100%)\n", none.Finish(0, 5));
}

TEST(ProgressBar, CountPercentRateAndTimeLeft) {
    TProgressMeter meter(1000, true);
    EXPECT_EQ("[=============>                ]  450/1000  45%  1250 readings/s  0:00 left", meter.BarText(450, 360));
    EXPECT_EQ("[>                             ]  0/1000  0%", meter.BarText(0, 0));
    EXPECT_EQ("[==============================]  1000/1000  100%  500 readings/s", meter.BarText(1000, 2000));
    TProgressMeter big(10'000'000, true);
    EXPECT_EQ("[===>                          ]  1234567/10000000  12%  1000 readings/s  2:26:05 left",
              big.BarText(1'234'567, 1'234'567));
}

TEST(ProgressBar, RedrawsAtMostFiveTimesASecondAndEndsItsLine) {
    TProgressMeter meter(100, true);
    EXPECT_EQ('\r', meter.Update(1, 0).front());
    EXPECT_EQ("", meter.Update(2, 150));
    EXPECT_EQ('\r', meter.Update(3, 200).front());
    EXPECT_EQ("", meter.Update(4, 250));
    EXPECT_NE("", meter.Update(100, 260)) << "the end is always drawn";
    const std::string last = meter.Finish(100, 270);
    EXPECT_EQ('\r', last.front());
    EXPECT_EQ('\n', last.back());
}

TEST(ProgressBar, AShorterDrawingBlanksTheTailOfTheLongerOne) {
    TProgressMeter meter(100, true);
    const std::string longer = meter.Update(50, 1000);    // with rate and time left
    const std::string shorter = meter.Update(100, 2000);  // without time left
    EXPECT_EQ(longer.size(), shorter.size());
    EXPECT_EQ(' ', shorter.back());
}

TEST(FormatDuration, MinutesThenHours) {
    EXPECT_EQ("0:00", FormatDuration(0));
    EXPECT_EQ("0:59", FormatDuration(59));
    EXPECT_EQ("59:59", FormatDuration(3599));
    EXPECT_EQ("1:00:00", FormatDuration(3600));
    EXPECT_EQ("0:00", FormatDuration(-5));
}

}  // namespace
}  // namespace cli

#include "emulator/logger_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace emulator {
namespace {

using Lines = std::vector<std::string>;

std::int64_t At(const char* text) { return *ParseLoggerTime(text); }

// A model on a clock the test moves by hand.
struct ModelOnTestClock {
    explicit ModelOnTestClock(ModelSettings settings, const char* now = "2024-03-05 14:00:30")
        : nowMs(At(now) * 1000), model(settings, [this] { return nowMs; }) {}
    std::int64_t nowMs;
    LoggerModel model;
};

ModelSettings FixedSettings() {
    ModelSettings s;
    s.Model = "KX-05";
    s.StartSec = At("2024-03-05 12:00:00");
    s.StopSec = At("2024-03-06 00:00:00");
    s.IntervalSec = 60;
    s.BatteryMv = 3498;
    s.CAnswer = "CFG1";
    return s;
}

struct QueryRow {
    const char* name;
    const char* command;
    Lines answer;
};

class QueryTest : public ::testing::TestWithParam<QueryRow> {};

TEST_P(QueryTest, AnswersFromTheModel) {
    ModelOnTestClock m(FixedSettings());
    EXPECT_EQ(m.model.Handle(GetParam().command), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Table, QueryTest,
    ::testing::Values(QueryRow{"Model", "N?", {"KX-05"}}, QueryRow{"Clock", "T?", {"2024-03-05 14:00:30"}},
                      QueryRow{"Start", "R?", {"2024-03-05 12:00:00"}},
                      // Midnight keeps its time part: a device answers in a fixed width.
                      QueryRow{"StopAtMidnight", "S?", {"2024-03-06 00:00:00"}},
                      QueryRow{"Interval", "I?", {"00:01:00"}}, QueryRow{"C", "C?", {"CFG1"}},
                      QueryRow{"Battery", "U?", {"3498"}}, QueryRow{"Shutdown", "d!", {}}, QueryRow{"Empty", "", {}},
                      QueryRow{"OneChar", "N", {}}, QueryRow{"Unknown", "X?", {}},
                      QueryRow{"QueryWithArgument", "N?1", {}}, QueryRow{"LowerCaseQuery", "n?", {}},
                      QueryRow{"DownloadWithoutIndex", "D?", {}}, QueryRow{"NegativeIndex", "D?-1", {}},
                      QueryRow{"IndexWithLetters", "D?1a", {}}, QueryRow{"IndexTooLong", "D?1234567890123456789", {}},
                      QueryRow{"IndexBeyondLast", "D?121", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoggerModelTest, ReadingsExistFromTheStartUntilTheEarlierOfClockAndStop) {
    ModelOnTestClock m(FixedSettings(), "2024-03-05 11:59:59");
    EXPECT_EQ(m.model.ReadingCount(), 0);
    m.nowMs = At("2024-03-05 12:00:00") * 1000;
    EXPECT_EQ(m.model.ReadingCount(), 1);
    m.nowMs = At("2024-03-05 12:00:59") * 1000 + 999;
    EXPECT_EQ(m.model.ReadingCount(), 1);
    m.nowMs = At("2024-03-05 12:01:00") * 1000;
    EXPECT_EQ(m.model.ReadingCount(), 2);
    m.nowMs = At("2024-03-05 14:00:30") * 1000;
    EXPECT_EQ(m.model.ReadingCount(), 121);
    m.nowMs = At("2024-03-10 00:00:00") * 1000;  // stopped at midnight: 12 h of minutes, both ends
    EXPECT_EQ(m.model.ReadingCount(), 721);
}

TEST(LoggerModelTest, DownloadAnswersUpToTheLimitFromTheIndex) {
    ModelOnTestClock m(FixedSettings());  // 121 readings, indices 0..120
    const Lines first = m.model.Handle("D?0");
    ASSERT_EQ(first.size(), 25u);
    EXPECT_EQ(first[0].substr(0, 19), "2024-03-05 12:00:00");
    EXPECT_EQ(first[24].substr(0, 19), "2024-03-05 12:24:00");
    EXPECT_EQ(m.model.Handle("D?25").front().substr(0, 19), "2024-03-05 12:25:00");
    EXPECT_EQ(m.model.Handle("D?0025"), m.model.Handle("D?25"));

    const Lines tail = m.model.Handle("D?100");
    ASSERT_EQ(tail.size(), 21u);
    EXPECT_EQ(tail.back().substr(0, 19), "2024-03-05 14:00:00");
    EXPECT_EQ(m.model.Handle("D?120").size(), 1u);
    EXPECT_EQ(m.model.Handle("D?999999999999"), Lines{});

    ModelSettings few = FixedSettings();
    few.LinesPerRequest = 24;
    ModelOnTestClock m24(few);
    EXPECT_EQ(m24.model.Handle("D?0").size(), 24u);
}

TEST(LoggerModelTest, ReadingLinesHaveTheFixedLayoutAndPlausibleSlowValues) {
    ModelSettings s = FixedSettings();
    s.StartSec = At("2024-03-04 00:00:00");
    s.StopSec = At("2024-03-09 00:00:00");
    ModelOnTestClock m(s, "2024-03-06 00:00:00");
    ASSERT_EQ(m.model.ReadingCount(), 2 * 1440 + 1);
    double last1 = 0, last2 = 0;
    double min1 = 1e9, max1 = -1e9;
    for (std::int64_t i = 0; i < m.model.ReadingCount(); ++i) {
        const std::string line = m.model.ReadingLine(i);
        ASSERT_EQ(line.size(), 35u) << line;
        ASSERT_EQ(line.substr(0, 19), LoggerTimeText(*s.StartSec + i * 60)) << line;
        const std::string field1 = line.substr(19, 8), field2 = line.substr(27, 8);
        char* end = nullptr;
        const double ch1 = std::strtod(field1.c_str(), &end);
        ASSERT_EQ(*end, '\0') << line;
        const double ch2 = std::strtod(field2.c_str(), &end);
        ASSERT_EQ(*end, '\0') << line;
        ASSERT_GE(ch1, 10.0) << line;
        ASSERT_LE(ch1, 30.0) << line;
        ASSERT_GE(ch2, 0.0) << line;
        ASSERT_LE(ch2, 10.0) << line;
        if (i > 0) {
            ASSERT_LE(std::abs(ch1 - last1), 0.5) << line;
            ASSERT_LE(std::abs(ch2 - last2), 0.5) << line;
        }
        last1 = ch1;
        last2 = ch2;
        min1 = std::min(min1, ch1);
        max1 = std::max(max1, ch1);
    }
    EXPECT_GT(max1 - min1, 3.0) << "the room channel should swing over a day";
    // The same reading gives the same line, whoever asks and whenever.
    ModelOnTestClock other(s, "2024-03-08 10:00:00");
    EXPECT_EQ(other.model.ReadingLine(777), m.model.ReadingLine(777));
}

TEST(LoggerModelTest, SetCommandsChangeTheStateSilentlyAndIgnoreBadArguments) {
    ModelOnTestClock m(FixedSettings());
    EXPECT_EQ(m.model.Handle("T!2024-03-05 10:00:00"), Lines{});
    EXPECT_EQ(m.model.Handle("T?"), Lines{"2024-03-05 10:00:00"});
    m.nowMs += 61'500;  // the clock runs on from the time set
    EXPECT_EQ(m.model.Handle("T?"), Lines{"2024-03-05 10:01:01"});
    EXPECT_EQ(m.model.ReadingCount(), 0);  // now before the start

    EXPECT_EQ(m.model.Handle("R!2024-03-05 09:00:00"), Lines{});
    EXPECT_EQ(m.model.Handle("S!2024-03-05 09:30:00"), Lines{});
    EXPECT_EQ(m.model.Handle("I!00:00:10"), Lines{});
    EXPECT_EQ(m.model.Handle("R?"), Lines{"2024-03-05 09:00:00"});
    EXPECT_EQ(m.model.Handle("S?"), Lines{"2024-03-05 09:30:00"});
    EXPECT_EQ(m.model.Handle("I?"), Lines{"00:00:10"});
    EXPECT_EQ(m.model.ReadingCount(), 181);
    EXPECT_EQ(m.model.Handle("D?1").front().substr(0, 19), "2024-03-05 09:00:10");

    // A date alone is a valid logger time (midnight).
    m.model.Handle("R!2024-03-05");
    EXPECT_EQ(m.model.Handle("R?"), Lines{"2024-03-05 00:00:00"});

    for (const char* bad :
         {"T!2024-13-01 00:00:00", "T!", "R!2024-03-05   :  :  ", "S!tomorrow", "I!00:00:00", "I!1:2:3:4", "I!abc"}) {
        EXPECT_EQ(m.model.Handle(bad), Lines{}) << bad;
    }
    EXPECT_EQ(m.model.Handle("T?"), Lines{"2024-03-05 10:01:01"});
    EXPECT_EQ(m.model.Handle("R?"), Lines{"2024-03-05 00:00:00"});
    EXPECT_EQ(m.model.Handle("S?"), Lines{"2024-03-05 09:30:00"});
    EXPECT_EQ(m.model.Handle("I?"), Lines{"00:00:10"});
}

TEST(LoggerModelTest, EraseStartsTheRecordingOverFromNow) {
    ModelOnTestClock m(FixedSettings());
    ASSERT_EQ(m.model.ReadingCount(), 121);
    EXPECT_EQ(m.model.Handle("E!"), Lines{});
    EXPECT_EQ(m.model.Handle("R?"), Lines{"2024-03-05 14:00:30"});
    EXPECT_EQ(m.model.ReadingCount(), 1);
    EXPECT_EQ(m.model.Handle("D?1"), Lines{});
    m.nowMs += 60'000;
    EXPECT_EQ(m.model.ReadingCount(), 2);
}

TEST(LoggerModelTest, DefaultsGiveADayOfReadingsAndAClockWithOffset) {
    ModelSettings s;
    s.ClockOffsetMs = -3'600'000;
    ModelOnTestClock m(s, "2024-03-05 14:00:30");
    EXPECT_EQ(m.model.Handle("T?"), Lines{"2024-03-05 13:00:30"});
    EXPECT_EQ(m.model.Handle("R?"), Lines{"2024-03-04 13:00:00"});
    EXPECT_EQ(m.model.Handle("I?"), Lines{"00:01:00"});
    EXPECT_EQ(m.model.ReadingCount(), 1441);
    EXPECT_EQ(m.model.Handle("S?"), Lines{"2024-04-04 13:00:30"});
    EXPECT_EQ(m.model.Handle("N?"), Lines{"KX-15-1"});
}

TEST(LoggerModelTest, ReadingsOptionGivesExactlyThatManyEndingNow) {
    for (std::int64_t n : {0, 1, 60, 1000}) {
        ModelSettings s;
        s.Readings = n;
        s.IntervalSec = 30;
        ModelOnTestClock m(s);
        EXPECT_EQ(m.model.ReadingCount(), n);
        if (n > 0) {
            EXPECT_EQ(m.model.ReadingLine(n - 1).substr(0, 19), "2024-03-05 14:00:30");
        }
    }
}

TEST(LoggerModelTest, AFutureStartHoldsNothingUntilItComesAndBadReadingsStayBad) {
    ModelSettings s;
    s.StartsInSec = 90;
    s.IntervalSec = 30;
    s.BadReadings = {1};
    ModelOnTestClock m(s);
    EXPECT_EQ(m.model.Handle("R?"), Lines{"2024-03-05 14:02:00"});
    EXPECT_EQ(m.model.ReadingCount(), 0);
    EXPECT_EQ(m.model.Handle("D?0"), Lines{});
    m.nowMs += 120'000;
    ASSERT_EQ(m.model.ReadingCount(), 2);
    EXPECT_EQ(m.model.ReadingLine(1).substr(19), m.model.ReadingLine(1).substr(19, 8) + "     Err");
    EXPECT_EQ(m.model.Handle("D?0"), (Lines{m.model.ReadingLine(0), m.model.ReadingLine(1)}));
}

TEST(LoggerModelTest, TimeTextsRoundTrip) {
    EXPECT_EQ(LoggerTimeText(At("2024-02-29 00:00:00")), "2024-02-29 00:00:00");
    EXPECT_EQ(LoggerTimeText(At("1999-12-31 23:59:59") + 1), "2000-01-01 00:00:00");
    EXPECT_EQ(IntervalText(86399), "23:59:59");
    EXPECT_EQ(ParseIntervalText("1:2:3"), 3723);
    EXPECT_EQ(ParseLoggerTime("not a time"), std::nullopt);
}

}  // namespace
}  // namespace emulator

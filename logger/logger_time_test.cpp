#include "logger/logger_time.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace {

struct IntervalRow {
    const char* name;
    TDateTime value;
    std::uint64_t seconds;
};
void PrintTo(const IntervalRow& row, std::ostream* os) { *os << row.name; }

class IntervalSecondsTable : public testing::TestWithParam<IntervalRow> {};

TEST_P(IntervalSecondsTable, CountsTheTimeOfDay) { EXPECT_EQ(GetParam().seconds, IntervalSeconds(GetParam().value)); }

INSTANTIATE_TEST_SUITE_P(Values, IntervalSecondsTable,
                         testing::Values(IntervalRow{"OneMinute", EncodeTime(0, 1, 0), 60},
                                         IntervalRow{"TwoSeconds", EncodeTime(0, 0, 2), 2},
                                         IntervalRow{"AllFields", EncodeTime(23, 59, 59), 86399},
                                         IntervalRow{"MillisecondsDropped", EncodeTime(0, 0, 5, 999), 5},
                                         IntervalRow{"WholeDaysDropped", 3.0 + EncodeTime(1, 0, 0), 3600},
                                         // One hour as a day count that truncation would turn into 59:59.
                                         IntervalRow{"RoundedToMillisecondsFirst", 1.0 / 24.0 - 1e-12, 3600},
                                         IntervalRow{"Zero", 0.0, 0}),
                         [](const testing::TestParamInfo<IntervalRow>& info) { return std::string(info.param.name); });

struct IndexRow {
    const char* name;
    double offsetSeconds;  // reading time minus recording start
    std::int64_t interval;
    std::int64_t index;
};
void PrintTo(const IndexRow& row, std::ostream* os) { *os << row.name; }

class ReadingIndexTable : public testing::TestWithParam<IndexRow> {};

TEST_P(ReadingIndexTable, GivesTheNearestReading) {
    const TDateTime start = EncodeDate(2026, 3, 5) + EncodeTime(1, 0, 0);
    const TDateTime at = start + GetParam().offsetSeconds / 86400.0;
    EXPECT_EQ(GetParam().index, lorv::ReadingIndex(at, start, GetParam().interval));
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadingIndexTable,
    testing::Values(IndexRow{"AtTheStart", 0, 60, 0}, IndexRow{"TwentyNineSecondsRoundsDown", 29, 60, 0},
                    IndexRow{"HalfAnIntervalRoundsUp", 30, 60, 1}, IndexRow{"FortySecondsRoundsUp", 40, 60, 1},
                    IndexRow{"ExactlyOneInterval", 60, 60, 1},
                    // The distance counts, not its direction.
                    IndexRow{"OneIntervalBeforeTheStart", -60, 60, 1},
                    IndexRow{"OneDayOfTwoSecondReadings", 86400, 2, 43200}, IndexRow{"OddInterval", 10, 7, 1},
                    IndexRow{"OddIntervalJustBelowHalf", 3, 7, 0}),
    [](const testing::TestParamInfo<IndexRow>& info) { return std::string(info.param.name); });

struct EdgeRow {
    const char* name;
    double offsetSeconds;
    std::int64_t firstAtOrAfter;
    std::int64_t lastAtOrBefore;
};
void PrintTo(const EdgeRow& row, std::ostream* os) { *os << row.name; }

class RangeEdges : public testing::TestWithParam<EdgeRow> {};

// With a 60 s interval: the readings a range edge takes in, when it is inclusive.
TEST_P(RangeEdges, TakeTheReadingAtTheEdgeTime) {
    const TDateTime start = EncodeDate(2026, 3, 5) + EncodeTime(1, 0, 0);
    const TDateTime at = start + GetParam().offsetSeconds / 86400.0;
    EXPECT_EQ(GetParam().firstAtOrAfter, lorv::FirstReadingAtOrAfter(at, start, 60));
    EXPECT_EQ(GetParam().lastAtOrBefore, lorv::LastReadingAtOrBefore(at, start, 60));
}

INSTANTIATE_TEST_SUITE_P(Values, RangeEdges,
                         testing::Values(EdgeRow{"BeforeTheStart", -30, 0, -1}, EdgeRow{"AtTheStart", 0, 0, 0},
                                         EdgeRow{"BetweenReadings", 90, 2, 1}, EdgeRow{"OnAReading", 1500, 25, 25},
                                         EdgeRow{"OneSecondAfterAReading", 1501, 26, 25}),
                         [](const testing::TestParamInfo<EdgeRow>& info) { return std::string(info.param.name); });

TEST(ReadingIndex, ZeroIntervalIsAClearErrorNotADivision) {
    const TDateTime start = EncodeDate(2026, 3, 5);
    try {
        lorv::ReadingIndex(start + 0.5, start, 0);
        FAIL() << "no error";
    } catch (const lorv::ERangeError& e) {
        EXPECT_EQ(std::string("The recording interval is not known; read the logger settings first"), e.what());
    }
}

TEST(LoggerClockAt, AddsTheElapsedMonotonicTime) {
    const TDateTime read = EncodeDate(2026, 12, 8) + EncodeTime(23, 59, 58);
    const LoggerFormat format;
    EXPECT_EQ("2026-12-08 23:59:58", format.DateTimeToText(lorv::LoggerClockAt(read, 0)));
    EXPECT_EQ("2026-12-08 23:59:59", format.DateTimeToText(lorv::LoggerClockAt(read, 1500)));
    EXPECT_EQ("2026-12-09", format.DateTimeToText(lorv::LoggerClockAt(read, 2000)));
    EXPECT_EQ("2026-12-09 01:00:00", format.DateTimeToText(lorv::LoggerClockAt(read, 3602000)));
}

struct MinimumRow {
    const char* name;
    std::string text;
    std::string shown;
};
void PrintTo(const MinimumRow& row, std::ostream* os) { *os << row.name; }

class MinimumIntervalTable : public testing::TestWithParam<MinimumRow> {};

TEST_P(MinimumIntervalTable, RaisesShortIntervalsToTwoSeconds) {
    EXPECT_EQ(GetParam().shown, lorv::MinimumIntervalText(LoggerFormat(), GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Values, MinimumIntervalTable,
                         testing::Values(MinimumRow{"Zero", "00:00:00", "00:00:02"},
                                         MinimumRow{"OneSecond", "00:00:01", "00:00:02"},
                                         MinimumRow{"TwoSecondsStays", "00:00:02", "00:00:02"},
                                         MinimumRow{"OneMinuteStays", "00:01:00", "00:01:00"}),
                         [](const testing::TestParamInfo<MinimumRow>& info) { return std::string(info.param.name); });

TEST(MinimumIntervalText, BlankFieldIsATimeError) {
    try {
        lorv::MinimumIntervalText(LoggerFormat(), "  :  :  ");
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(std::string("'  :  :  ' is not a valid time"), e.what());
    }
}

}  // namespace

#include "base/logger_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/errors.h"

namespace {

const LoggerFormat kFmt;

struct TextRow {
    const char* name;
    double value;
    const char* text;
};

class DateTimeToTextTest : public ::testing::TestWithParam<TextRow> {};

TEST_P(DateTimeToTextTest, Formats) { EXPECT_EQ(GetParam().text, kFmt.DateTimeToText(GetParam().value)); }

INSTANTIATE_TEST_SUITE_P(
    Rows, DateTimeToTextTest,
    ::testing::Values(TextRow{"afternoon", 42799.583333333336, "2017-03-05 14:00:00"},
                      // A raw truncation would give 00:59:59; rounding to milliseconds first gives 01:00:00.
                      TextRow{"rounding", 42799.041666666664, "2017-03-05 01:00:00"},
                      TextRow{"midnight_is_date_alone", 42799.0, "2017-03-05"},
                      TextRow{"seconds_truncated", 42799.0 + (3600.0 + 0.999) / 86400.0, "2017-03-05 01:00:00"},
                      TextRow{"milliseconds_past_midnight", 42799.0 + 0.4 / 86400.0, "2017-03-05"},
                      TextRow{"day_zero", 0.0, "1899-12-30"}, TextRow{"before_day_zero", -1.25, "1899-12-29 06:00:00"},
                      TextRow{"leap_day", 45351.5, "2024-02-29 12:00:00"},
                      TextRow{"almost_next_day_rounds_up", 42799.9999999999, "2017-03-06"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoggerFormatTest, TimeToTextAlwaysHasThreeFields) {
    EXPECT_EQ("00:00:00", kFmt.TimeToText(0.0));
    EXPECT_EQ("00:01:00", kFmt.TimeToText(1.0 / 1440.0));
    EXPECT_EQ("23:59:59", kFmt.TimeToText(EncodeTime(23, 59, 59, 999)));
    EXPECT_EQ("12:00:00", kFmt.TimeToText(42799.5));
}

struct ParseRow {
    const char* name;
    const char* text;
    double value;
};

class TextToDateTimeTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(TextToDateTimeTest, Parses) {
    EXPECT_DOUBLE_EQ(GetParam().value, kFmt.TextToDateTime(GetParam().text)) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextToDateTimeTest,
    ::testing::Values(ParseRow{"full", "2017-03-05 14:00:00", 42799.583333333336},
                      ParseRow{"date_alone", "2017-03-05", 42799.0},
                      ParseRow{"no_seconds", "2017-03-05 14:00", 42799.583333333336},
                      ParseRow{"blanks_around", "  2017-03-05 14:00:00  ", 42799.583333333336},
                      ParseRow{"single_digits", "2017-3-5 1:2:3", 42799.0 + (3723.0 / 86400.0)},
                      ParseRow{"time_alone_is_day_zero", "14:00:00", 14.0 / 24.0},
                      ParseRow{"masked_blanks_inside", "2017-03-05  1: 2: 3", 42799.0 + (3723.0 / 86400.0)},
                      ParseRow{"several_blanks_between", "2017-03-05     14:00:00", 42799.583333333336},
                      ParseRow{"before_day_zero", "1899-12-29 06:00:00", -1.25}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoggerFormatTest, RoundTripsEveryMinuteOfADay) {
    for (int minute = 0; minute < 24 * 60; ++minute) {
        const double value = 45000.0 + minute / 1440.0;
        const std::string text = kFmt.DateTimeToText(value);
        EXPECT_EQ(text, kFmt.DateTimeToText(kFmt.TextToDateTime(text)));
        EXPECT_EQ(0, SecondsBetween(value, kFmt.TextToDateTime(text))) << text;
    }
}

class BadDateTimeTest : public ::testing::TestWithParam<const char*> {};

TEST_P(BadDateTimeTest, RaisesConversionErrorWithTheText) {
    const std::string text = GetParam();
    try {
        kFmt.TextToDateTime(text);
        FAIL() << "accepted '" << text << "'";
    } catch (const EConvertError& e) {
        EXPECT_EQ("'" + text + "' is not a valid date and time", std::string(e.what()));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, BadDateTimeTest,
                         ::testing::Values("", "    -  -     :  :  ", "2017-02-30", "2017-13-01", "2017-03-05 24:00",
                                           "2017-03-05 12:60", "2017-03-05 12:00:61", "2017/03/05", "abc",
                                           "2017-03-05 14:00:00x", "20170-03-05", "2017-03-05T14:00", "0000-01-01"));

TEST(LoggerFormatTest, TextToTime) {
    EXPECT_DOUBLE_EQ(EncodeTime(0, 5, 0), kFmt.TextToTime("00:05:00"));
    EXPECT_DOUBLE_EQ(EncodeTime(1, 30, 0), kFmt.TextToTime(" 1:30 "));
    for (const char* bad : {"  :  :  ", "1", "25:00:00", "00:05:00 x", "2017-03-05"}) {
        try {
            kFmt.TextToTime(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string("'") + bad + "' is not a valid time", std::string(e.what()));
        }
    }
}

TEST(LoggerFormatTest, SecondsBetweenRoundsToMillisecondsThenTruncates) {
    const double start = kFmt.TextToDateTime("2017-03-05 00:00:00");
    EXPECT_EQ(3600, SecondsBetween(start, 42799.041666666664));
    EXPECT_EQ(-3600, SecondsBetween(42799.041666666664, start));
    EXPECT_EQ(29, SecondsBetween(start, start + 29.9 / 86400.0));
}

TEST(LoggerFormatTest, DecodeRoundsTheFraction) {
    const TDateParts p = DecodeDateTime(42799.041666666664);
    EXPECT_EQ(2017, p.Year);
    EXPECT_EQ(3, p.Month);
    EXPECT_EQ(5, p.Day);
    EXPECT_EQ(1, p.Hour);
    EXPECT_EQ(0, p.Minute);
    EXPECT_EQ(0, p.Second);
    EXPECT_EQ(0, p.Millisecond);
}

// Day counts no four-digit year can show are conversion errors, never a nonsense date.
TEST(LoggerFormatTest, CountsOutsideTheYearsOneTo9999RaiseConversionErrors) {
    EXPECT_EQ("0001-01-01", kFmt.DateTimeToText(-693593.0));
    EXPECT_EQ("9999-12-31 23:59:59", kFmt.DateTimeToText(2958465 + EncodeTime(23, 59, 59, 999)));
    const double inf = std::numeric_limits<double>::infinity();
    for (const double bad : {std::nan(""), inf, -inf, 1e15, -1e15, 2958466.0, 2958465.999999999, -693594.0, 9.3e18}) {
        EXPECT_THROW(kFmt.DateTimeToText(bad), EConvertError) << bad;
        EXPECT_THROW(kFmt.TimeToText(bad), EConvertError) << bad;
    }
    try {
        kFmt.DateTimeToText(1e15);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ("'1000000000000000' is not a valid date and time", std::string(e.what()));
    }
}

TEST(LoggerFormatTest, NowIsAPlausibleDayCount) {
    const double now = Now();
    EXPECT_GT(now, EncodeDate(2020, 1, 1));
    EXPECT_LT(now, EncodeDate(2200, 1, 1));
}

}  // namespace

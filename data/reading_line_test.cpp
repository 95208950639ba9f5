#include "data/reading_line.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "base/errors.h"

namespace readings {
namespace {

struct TemperatureRow {
    const char* name;
    std::string field;
    std::optional<double> expected;  // nullopt: does not convert
};

class TemperatureRule : public testing::TestWithParam<TemperatureRow> {};

TEST_P(TemperatureRule, ConvertsOrRejects) {
    const TemperatureRow& row = GetParam();
    double value = 12345;
    const bool ok = ParseTemperature(row.field, value);
    ASSERT_EQ(row.expected.has_value(), ok) << '"' << row.field << '"';
    if (row.expected) {
        EXPECT_EQ(*row.expected, value);
    } else {
        EXPECT_EQ(12345, value) << "a failed field must leave the value alone";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TemperatureRule,
    testing::Values(
        TemperatureRow{"LeadingBlanks", "    21.5", 21.5}, TemperatureRow{"TrailingBlanks", "21.5    ", 21.5},
        TemperatureRow{"NarrowedToFloat", "    21.3", 21.299999237060547},
        TemperatureRow{"ExactInFloat", "    23.5", 23.5}, TemperatureRow{"NegativeExponent", "  -0.5e1", -5.0},
        TemperatureRow{"PlusSign", "   +19.0", 19.0}, TemperatureRow{"Integer", "      -7", -7.0},
        TemperatureRow{"UpperExponentPlus", "  1.5E+2", 150.0},
        TemperatureRow{"SmallExponent", "    1e-2", static_cast<double>(0.01f)},
        TemperatureRow{"TrailingPoint", "      5.", 5.0}, TemperatureRow{"LeadingPoint", "      .5", 0.5},
        TemperatureRow{"NoBlanks", "-12.3456", static_cast<double>(-12.3456f)},
        TemperatureRow{"UnderflowsToZero", "   1e-60", 0.0},
        // Below the float range, and below the long double range too: the nearest float is 0.
        TemperatureRow{"BelowFloatRange", "   1e-46", 0.0}, TemperatureRow{"BelowEveryRange", " 1e-4950", 0.0},
        TemperatureRow{"NegativeBelowEveryRange", "-1e-4950", -0.0},
        TemperatureRow{"ManyZerosBelowEveryRange", "0.0001e-99999", 0.0},
        TemperatureRow{"SmallestFloat", "1.4e-45", static_cast<double>(1.4e-45f)},
        TemperatureRow{"BeyondEveryRange", "  1e9999", std::nullopt},
        TemperatureRow{"BeyondEveryRangeDespiteZeros", "0.01e5000", std::nullopt},
        TemperatureRow{"LargestFloat", "3.4e38", static_cast<double>(3.4e38f)},
        TemperatureRow{"Comma", "    21,5", std::nullopt}, TemperatureRow{"TrailingLetter", "   19.0x", std::nullopt},
        TemperatureRow{"Empty", "", std::nullopt}, TemperatureRow{"OnlyBlanks", "        ", std::nullopt},
        TemperatureRow{"Tab", "\t   21.5", std::nullopt}, TemperatureRow{"CarriageReturn", "  21.5\r ", std::nullopt},
        TemperatureRow{"InnerBlank", "  21 .5", std::nullopt}, TemperatureRow{"PointOnly", "       .", std::nullopt},
        TemperatureRow{"SignOnly", "       -", std::nullopt}, TemperatureRow{"ExponentOnly", "      e5", std::nullopt},
        TemperatureRow{"ExponentWithoutDigits", "     1e+", std::nullopt},
        TemperatureRow{"TwoSigns", "     --1", std::nullopt},
        TemperatureRow{"GroupSeparator", "   1,000", std::nullopt}, TemperatureRow{"Hex", "    0x10", std::nullopt},
        TemperatureRow{"Infinity", "     inf", std::nullopt}, TemperatureRow{"NotANumber", "     nan", std::nullopt},
        TemperatureRow{"BeyondFloat", "   1e39", std::nullopt}, TemperatureRow{"TwoPoints", "  1.2.3", std::nullopt}),
    [](const testing::TestParamInfo<TemperatureRow>& info) { return std::string(info.param.name); });

// The short way for plain decimals must round exactly as the general conversion: every decimal
// of up to 15 digits and 8 places, spread over the range, narrowed to the same float.
TEST(TemperatureRule, PlainDecimalsRoundAsTheGeneralConversion) {
    std::uint64_t state = 88172645463325252ull;
    char text[32];
    for (int i = 0; i < 200000; ++i) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        const int digits = 1 + static_cast<int>(state % 15);
        const int places = static_cast<int>((state >> 8) % 9) % (digits + 1);
        std::uint64_t m = (state >> 16) % 1000000000000000ull;
        for (int d = digits; d < 15; ++d) m /= 10;
        std::snprintf(text, sizeof text, "%0*llu", digits, static_cast<unsigned long long>(m));
        std::string field = text;
        if (places > 0) field.insert(field.size() - places, ".");
        if (state & 1) field = "-" + field;
        float expected = 0;
        const char* first = field.data() + (field[0] == '-');
        std::from_chars(first, field.data() + field.size(), expected);
        if (field[0] == '-') expected = -expected;
        double value = 0;
        ASSERT_TRUE(ParseTemperature(field, value)) << field;
        ASSERT_EQ(static_cast<double>(expected), value) << field;
    }
}

TEST(ReadingFields, CutAtFixedPositions) {
    const std::string line = "2017-03-05 14:00:00    21.5    19.0 ignored";
    const TReadingFields f = SplitReadingLine(line);
    EXPECT_EQ("2017-03-05 14:00:00", f.Time);
    EXPECT_EQ("    21.5", f.Channel1);
    EXPECT_EQ("    19.0", f.Channel2);

    const TReadingFields shortLine = SplitReadingLine("2017-03-05 14:00:00  21");
    EXPECT_EQ("  21", shortLine.Channel1);
    EXPECT_EQ("", shortLine.Channel2);
    EXPECT_EQ("2017", SplitReadingLine("2017").Time);
    EXPECT_EQ("", SplitReadingLine("2017").Channel1);
}

std::optional<TDateTime> Reference(const LoggerFormat& format, std::string_view text) {
    try {
        return format.TextToDateTime(text);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

void ExpectSameAsLoggerFormat(const LoggerFormat& format, const std::string& text) {
    TDateTime fast = -1;
    const bool ok = ParseReadingTime(text, format, fast);
    const std::optional<TDateTime> reference = Reference(format, text);
    ASSERT_EQ(reference.has_value(), ok) << '"' << text << '"';
    if (reference) {
        EXPECT_EQ(*reference, fast) << '"' << text << '"';
    }
}

TEST(ReadingTime, ExampleValue) {
    TDateTime x = 0;
    ASSERT_TRUE(ParseReadingTime("2017-03-05 14:00:00", LoggerFormat(), x));
    EXPECT_EQ(42799.583333333336, x);
}

// The fast path must give bit for bit what the general conversion gives: every day of several
// years (leap days included) at times spread over the day.
TEST(ReadingTime, AgreesWithLoggerFormatOverYears) {
    const LoggerFormat format;
    char text[32];
    for (int year : {1900, 1999, 2000, 2016, 2017, 2024, 2100, 9999}) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 31; ++day) {
                const int second = (year + month * 31 + day) % 86400 * 7919 % 86400;
                std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, second / 3600,
                              second / 60 % 60, second % 60);
                ExpectSameAsLoggerFormat(format, text);
            }
        }
    }
    for (int second = 0; second < 86400; second += 37) {
        std::snprintf(text, sizeof text, "2017-03-05 %02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
        ExpectSameAsLoggerFormat(format, text);
    }
}

TEST(ReadingTime, OtherFormsFollowLoggerFormat) {
    const LoggerFormat format;
    for (const char* text : {"2017-03-05",
                             "2017-03-05         ",
                             "2017-03-05 14:00",
                             "  2017-3-5 4:00:00",
                             "14:00:00",
                             "1899-12-29 12:00:00",
                             "1800-01-01 06:00:00",
                             "2017-02-29 00:00:00",
                             "2017-13-01 00:00:00",
                             "2017-03-05 24:00:00",
                             "2017-03-05 14:60:00",
                             "2017-03-05 14:00:60",
                             "2017/03/05 14:00:00",
                             "2017-03-05T14:00:00",
                             "N?\tLORV304",
                             "",
                             "                   ",
                             "\t2017-03-05 14:00:0",
                             "14:00:00.500",
                             "2017-03-05 14:00 PM",
                             "2017-03-05\x01"
                             "14:00:00",
                             "5-3 14:00",
                             "17-03-05 14:00:00",
                             "20170-03-05 14:00"}) {
        ExpectSameAsLoggerFormat(format, text);
    }
}

struct NeedRow {
    const char* name;
    std::string line;
    // Whether the chart, the export and the download take the line.
    bool chart, exported, downloaded;
};
void PrintTo(const NeedRow& row, std::ostream* os) { *os << row.name; }

class ReadingNeeds : public testing::TestWithParam<NeedRow> {};

TEST_P(ReadingNeeds, EachCallerTakesWhatItNeeds) {
    const NeedRow& row = GetParam();
    const LoggerFormat format;
    EXPECT_EQ(row.chart, ReadReadingLine(row.line, format, TReadingNeed::Channel1).Reading);
    EXPECT_EQ(row.exported, ReadReadingLine(row.line, format, TReadingNeed::EitherChannel).Reading);
    EXPECT_EQ(row.downloaded, ReadReadingLine(row.line, format, TReadingNeed::WholeLine).Reading);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReadingNeeds,
    testing::Values(NeedRow{"Whole", "2017-03-05 14:00:00    21.5    19.0", true, true, true},
                    NeedRow{"CarriageReturnAfter", "2017-03-05 14:00:00    21.5    19.0\r", true, true, true},
                    NeedRow{"TextAfter", "2017-03-05 14:00:00    21.5    19.0 x", true, true, false},
                    NeedRow{"Channel2Damaged", "2017-03-05 14:00:00    21.5   19.0x", true, true, false},
                    NeedRow{"Channel1Damaged", "2017-03-05 14:00:00    21,5    19.0", false, true, false},
                    NeedRow{"CutAfterChannel1", "2017-03-05 14:00:00    21.5", true, true, false},
                    NeedRow{"NoChannel", "2017-03-05 14:00:00", false, false, false},
                    NeedRow{"NoTime", "D?100", false, false, false}),
    [](const testing::TestParamInfo<NeedRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace readings

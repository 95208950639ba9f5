#include "data/reading_parser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace readings {

// Exact values in failure messages.
void PrintTo(const TReadingPoint& p, std::ostream* os) {
    char text[64];
    std::snprintf(text, sizeof text, "(%.17g, %.17g)", p.X, p.Y);
    *os << text;
}

namespace {

constexpr TDateTime kAt14 = 42799.583333333336;  // 2017-03-05 14:00:00
const std::string kExample = "2017-03-05 14:00:00    21.5    19.0";

TParsedReadings Parse(std::vector<std::string> lines) {
    TLineStore store;
    store.Assign(std::move(lines));
    return ParseReadingLines(store);
}

struct LineRow {
    const char* name;
    std::string line;
    std::vector<TReadingPoint> series1;
    std::vector<TReadingPoint> series2;
};

void PrintTo(const LineRow& row, std::ostream* os) { *os << row.name; }

class OneLine : public testing::TestWithParam<LineRow> {};

TEST_P(OneLine, GivesItsPoints) {
    const LineRow& row = GetParam();
    const TParsedReadings parsed = Parse({row.line});
    EXPECT_EQ(row.series1, parsed.Series1);
    EXPECT_EQ(row.series2, parsed.Series2);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, OneLine,
    testing::Values(
        LineRow{"Example", kExample, {{kAt14, 21.5}}, {{kAt14, 19.0}}},
        LineRow{"RestIgnored", kExample + "  xyz\t,", {{kAt14, 21.5}}, {{kAt14, 19.0}}},
        LineRow{"CommaInChannel1", "2017-03-05 14:00:00    21,5    19.0", {}, {}},
        LineRow{"BadChannel2", "2017-03-05 14:00:00    21.5   19.0x", {{kAt14, 21.5}}, {}},
        LineRow{"Cut27", kExample.substr(0, 27), {{kAt14, 21.5}}, {}}, LineRow{"Cut19", kExample.substr(0, 19), {}, {}},
        LineRow{"ShortChannel2", kExample.substr(0, 33), {{kAt14, 21.5}}, {{kAt14, 19.0}}},
        LineRow{"Exponent", "2017-03-05 14:00:00  -0.5e1  -0.5e1", {{kAt14, -5.0}}, {{kAt14, -5.0}}},
        LineRow{"Narrowed", "2017-03-05 14:00:00    21.3    23.5", {{kAt14, 21.299999237060547}}, {{kAt14, 23.5}}},
        LineRow{"TabInChannel1", "2017-03-05 14:00:00\t   21.5    19.0", {}, {}},
        LineRow{"CarriageReturnInChannel2", kExample.substr(0, 34) + "\r", {{kAt14, 21.5}}, {}},
        LineRow{"BadTime", "2017-03-05 14:00:0x    21.5    19.0", {}, {}}, LineRow{"Empty", "", {}, {}},
        LineRow{"EchoedCommand", "D?25", {}, {}}, LineRow{"LogLine", "N?\tLORV304D", {}, {}}),
    [](const testing::TestParamInfo<LineRow>& info) { return std::string(info.param.name); });

TEST(ParseReadingLines, EmptyStoreGivesNoPoints) {
    const TParsedReadings parsed = ParseReadingLines(TLineStore());
    EXPECT_TRUE(parsed.Series1.empty());
    EXPECT_TRUE(parsed.Series2.empty());
}

TEST(ParseReadingLines, SeriesComeOutInTimeOrder) {
    const TParsedReadings parsed = Parse({
        "2017-03-05 12:00:00    12.0    -1.0",
        "2017-03-05 11:00:00    11.0",
        "2017-03-05 13:00:00    13.0    -3.0",
    });
    const TDateTime day = 42799;
    EXPECT_EQ((std::vector<TReadingPoint>{{day + 11.0 / 24, 11.0}, {day + 12.0 / 24, 12.0}, {day + 13.0 / 24, 13.0}}),
              parsed.Series1);
    EXPECT_EQ((std::vector<TReadingPoint>{{day + 12.0 / 24, -1.0}, {day + 13.0 / 24, -3.0}}), parsed.Series2);
}

// Equal times keep the order of their lines, as adding them one by one to a series does, and
// identical lines give identical points.
TEST(ParseReadingLines, DuplicatesAndEqualTimesKept) {
    const TParsedReadings parsed = Parse({
        "2017-03-05 15:00:00     9.0     9.0",
        kExample,
        "2017-03-05 14:00:00    22.5    20.0",
        kExample,
    });
    EXPECT_EQ((std::vector<TReadingPoint>{{kAt14, 21.5}, {kAt14, 22.5}, {kAt14, 21.5}, {42799.625, 9.0}}),
              parsed.Series1);
    EXPECT_EQ((std::vector<TReadingPoint>{{kAt14, 19.0}, {kAt14, 20.0}, {kAt14, 19.0}, {42799.625, 9.0}}),
              parsed.Series2);
}

TEST(ParseReadingLines, NonReadingLinesBetweenReadingsAreSkipped) {
    const TParsedReadings parsed = Parse({"", kExample, "garbage", "2017-03-05 15:00:00    xx.x    18.0", kExample});
    EXPECT_EQ(2u, parsed.Series1.size());
    EXPECT_EQ(2u, parsed.Series2.size());
}

}  // namespace
}  // namespace readings

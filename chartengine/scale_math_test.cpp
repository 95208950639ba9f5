#include "chartengine/scale_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace chartscale;

namespace {

constexpr double kMin = 1.0 / 1440;
constexpr double kHour = 1.0 / 24;

struct StepRow {
    std::string name;
    double desired, span;
    int fit;
    double expected;
};

class TimeStepTest : public testing::TestWithParam<StepRow> {};

TEST_P(TimeStepTest, WidensAlongTheLadderUntilTheLabelsFit) {
    const StepRow& r = GetParam();
    EXPECT_NEAR(TimeLabelStep(r.desired, r.span, r.fit), r.expected, r.expected * 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Ladder, TimeStepTest,
                         testing::Values(StepRow{"DesiredStepFits", kMin, 20 * kMin, 30, kMin},
                                         StepRow{"FourHoursIn30Labels", kMin, 4 * kHour, 30, 10 * kMin},
                                         StepRow{"FourHoursIn48Labels", kMin, 4 * kHour, 48, 5 * kMin},
                                         StepRow{"DayIn20Labels", kMin, 1, 20, 2 * kHour},
                                         StepRow{"ThreeWeeksIn40Labels", kMin, 21, 40, 1},
                                         StepRow{"ThreeWeeksIn5Labels", kMin, 21, 5, 7},
                                         StepRow{"ZeroDesiredStartsAtOneSecond", 0, 10 * kSecond, 100, kSecond},
                                         StepRow{"HugeSpanStartsAtMillionth", kSecond, 100, 10, 15},
                                         StepRow{"BeyondAYearDoubles", kMin, 10000, 5, 2920},
                                         StepRow{"NothingFitsStillEnds", kMin, 1, 0, 3},
                                         StepRow{"EmptySpanKeepsDesired", kMin, 0, 10, kMin}),
                         [](const auto& info) { return info.param.name; });

TEST(TimeLadder, HasTheEntriesInOrder) {
    const double expected[] = {
        5 * kSecond, 10 * kSecond, 15 * kSecond, 30 * kSecond, kMin, 5 * kMin, 10 * kMin, 15 * kMin, 30 * kMin,
        kHour,       2 * kHour,    6 * kHour,    12 * kHour,   1,    2,        3,         7,         15,
        30,          60,           90,           120,          182,  365,      730,       1460};
    double step = kSecond;
    for (double e : expected) {
        step = NextTimeStep(step);
        EXPECT_NEAR(step, e, e * 1e-12);
    }
    // A step between entries moves to the next entry above it.
    EXPECT_NEAR(NextTimeStep(8.64 * kSecond), 10 * kSecond, 1e-15);
}

TEST(LabelsThatFit, DividesByLabelSizePlusTenPercent) {
    EXPECT_EQ(LabelsThatFit(600, 15), 36);  // 600 / 16.5 = 36.4
    EXPECT_EQ(LabelsThatFit(100, 15), 6);
    EXPECT_EQ(LabelsThatFit(0, 15), 0);
    EXPECT_EQ(LabelsThatFit(50, 0), 45);  // a label size of 0 counts as 1 pixel
}

TEST(ValueStep, FollowsOneTwoFiveFromTheDesiredStep) {
    EXPECT_DOUBLE_EQ(ValueLabelStep(0.1, 0.6, 20), 0.1);
    EXPECT_DOUBLE_EQ(ValueLabelStep(1, 3.5, 30), 1);
    EXPECT_DOUBLE_EQ(ValueLabelStep(1, 40, 10), 5);
    EXPECT_DOUBLE_EQ(ValueLabelStep(1, 40, 3), 20);
    EXPECT_NEAR(ValueLabelStep(0.1, 2, 10), 0.2, 1e-15);
    EXPECT_NEAR(ValueLabelStep(0.1, 2, 4), 0.5, 1e-15);
    EXPECT_DOUBLE_EQ(ValueLabelStep(3, 100, 10), 10);  // 3 -> 5 -> 10
    EXPECT_DOUBLE_EQ(NextValueStep(0.5), 1);
    EXPECT_DOUBLE_EQ(NextValueStep(2), 5);
    EXPECT_DOUBLE_EQ(NextValueStep(5), 10);
}

TEST(ValueLabelPositions, WholeMultiplesInsideTheRange) {
    const auto labels = ValueLabelPositions(20.0, 23.5, 1);
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_DOUBLE_EQ(labels.front(), 20);
    EXPECT_DOUBLE_EQ(labels.back(), 23);
    // Readings stored as floats still get the labels of their decimal values.
    const auto narrow = ValueLabelPositions(static_cast<float>(21.2), static_cast<float>(21.8), 0.1);
    ASSERT_EQ(narrow.size(), 7u);
    EXPECT_NEAR(narrow.front(), 21.2, 1e-9);
    EXPECT_NEAR(narrow.back(), 21.8, 1e-9);
    EXPECT_EQ(ValueLabelPositions(-1.5, -0.5, 1), std::vector<double>{-1});
    EXPECT_TRUE(ValueLabelPositions(1, 0, 1).empty());
    EXPECT_TRUE(ValueLabelPositions(0, NAN, 1).empty());
}

TEST(MinorTicks, EvenlyBetweenLabelsAndAtTheEnds) {
    const auto minor = MinorTickPositions({20, 21}, 1, 9, 19.75, 21.25);
    // 19.8, 19.9 before the first label, nine between, 21.1, 21.2 after the last.
    ASSERT_EQ(minor.size(), 13u);
    EXPECT_NEAR(minor[0], 19.8, 1e-9);
    EXPECT_NEAR(minor[2], 20.1, 1e-9);
    EXPECT_NEAR(minor[12], 21.2, 1e-9);
    EXPECT_TRUE(MinorTickPositions({20, 21}, 1, 0, 19, 22).empty());
}

TEST(Calendar, DayCountsAndDatesAgree) {
    EXPECT_EQ(CivilToDay(1899, 12, 30), 0);
    EXPECT_EQ(CivilToDay(2017, 3, 5), 42799);
    EXPECT_EQ(CivilToDay(1900, 3, 1), 61);
    for (long long d : {-700000LL, -1LL, 0LL, 59LL, 42799LL, 73050LL, 2958465LL}) {
        const TCivilDate c = DayToCivil(d);
        EXPECT_EQ(CivilToDay(c.Year, c.Month, c.Day), d) << d;
    }
    const TCivilDate c = DayToCivil(42799);
    EXPECT_EQ(c.Year, 2017);
    EXPECT_EQ(c.Month, 3);
    EXPECT_EQ(c.Day, 5);
}

struct CalendarRow {
    std::string name;
    double min, max, step;
    std::vector<double> expected;
};

class TimePositionTest : public testing::TestWithParam<CalendarRow> {};

TEST_P(TimePositionTest, LabelsAlignToTheClockAndTheCalendar) {
    const CalendarRow& r = GetParam();
    const auto got = TimeLabelPositions(r.min, r.max, r.step);
    ASSERT_EQ(got.size(), r.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], r.expected[i], 1e-9) << i;
}

const double k0305 = static_cast<double>(CivilToDay(2017, 3, 5));

INSTANTIATE_TEST_SUITE_P(
    Alignment, TimePositionTest,
    testing::Values(
        CalendarRow{"TenMinutes",
                    k0305 + 14 * kHour + 3 * kMin,
                    k0305 + 14 * kHour + 35 * kMin,
                    10 * kMin,
                    {k0305 + 14 * kHour + 10 * kMin, k0305 + 14 * kHour + 20 * kMin, k0305 + 14 * kHour + 30 * kMin}},
        CalendarRow{"Days", k0305 + 0.5, k0305 + 3.2, 1, {k0305 + 1, k0305 + 2, k0305 + 3}},
        CalendarRow{"TwoDaysOnEvenCounts", k0305 - 0.5, k0305 + 4, 2, {k0305 + 1, k0305 + 3}},
        CalendarRow{
            "HalfMonths", k0305, k0305 + 40, 15, {double(CivilToDay(2017, 3, 16)), double(CivilToDay(2017, 4, 1))}},
        CalendarRow{"Months",
                    double(CivilToDay(2020, 1, 10)),
                    double(CivilToDay(2020, 5, 1)),
                    30,
                    {double(CivilToDay(2020, 2, 1)), double(CivilToDay(2020, 3, 1)), double(CivilToDay(2020, 4, 1)),
                     double(CivilToDay(2020, 5, 1))}},
        CalendarRow{"Quarters",
                    double(CivilToDay(2020, 1, 10)),
                    double(CivilToDay(2020, 12, 31)),
                    90,
                    {double(CivilToDay(2020, 4, 1)), double(CivilToDay(2020, 7, 1)), double(CivilToDay(2020, 10, 1))}},
        CalendarRow{"Years",
                    double(CivilToDay(2017, 6, 1)),
                    double(CivilToDay(2020, 1, 1)),
                    365,
                    {double(CivilToDay(2018, 1, 1)), double(CivilToDay(2019, 1, 1)), double(CivilToDay(2020, 1, 1))}},
        CalendarRow{"EveryFourYears",
                    double(CivilToDay(2017, 6, 1)),
                    double(CivilToDay(2030, 1, 1)),
                    1460,
                    {double(CivilToDay(2020, 1, 1)), double(CivilToDay(2024, 1, 1)), double(CivilToDay(2028, 1, 1))}}),
    [](const auto& info) { return info.param.name; });

TEST(AxisMap, MapsBothWaysAndHandlesAnEmptyRange) {
    const TAxisMap vertical{20, 24, 400, 0};  // a vertical axis: minimum at the bottom pixel
    EXPECT_DOUBLE_EQ(vertical.ToPixel(20), 400);
    EXPECT_DOUBLE_EQ(vertical.ToPixel(23), 100);
    EXPECT_DOUBLE_EQ(vertical.ToValue(300), 21);
    const TAxisMap empty{19, 19, 10, 110};
    EXPECT_DOUBLE_EQ(empty.ToPixel(19), 60);
    EXPECT_DOUBLE_EQ(empty.ToValue(0), 19);
}

TEST(PrintRect, ProportionalMargins) {
    // Landscape chart on a portrait page: 15 % left and right, round(68.2) / 2 = 34 % top and bottom.
    TPrintRect r = ProportionalPrintRect(800, 600, 4800, 6800, 1.0);
    EXPECT_EQ(r.LeftPercent, 15);
    EXPECT_EQ(r.TopPercent, 34);
    EXPECT_EQ(r.Left, 720);
    EXPECT_EQ(r.Right, 4080);
    EXPECT_EQ(r.Top, 2312);
    EXPECT_EQ(r.Bottom, 4488);
    // Portrait chart: 15 % top and bottom; round(100 * (4800 - 0.6 * 6800 * 0.75) / 4800) = 36 -> 18 %.
    r = ProportionalPrintRect(600, 800, 4800, 6800, 1.0);
    EXPECT_EQ(r.TopPercent, 15);
    EXPECT_EQ(r.LeftPercent, 18);
    EXPECT_EQ(r.Left, 864);
    EXPECT_EQ(r.Top, 1020);
    // The resolution ratio enters the height: R = 2 gives round(100 * (6800 - 4320) / 6800) = 36 -> 18 %.
    EXPECT_EQ(ProportionalPrintRect(800, 600, 4800, 6800, 2.0).TopPercent, 18);
    // A wide chart on a wide page would need negative margins: the rectangle stays on the page.
    r = ProportionalPrintRect(800, 700, 6800, 3000, 1.0);
    EXPECT_EQ(r.TopPercent, 0);
    EXPECT_EQ(r.Top, 0);
    EXPECT_EQ(r.Bottom, 3000);
}

}  // namespace

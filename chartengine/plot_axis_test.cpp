#include "chartengine/plot_axis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>
#include <vector>

#include "chartengine/step_series.h"
#include "chartengine/series_columns.h"
#include "chartengine/zoom_state.h"

namespace {

template <class T>
std::vector<T> Values(std::span<const T> values) {
    return {values.begin(), values.end()};
}

TEST(AxisFlags, AutomaticAndItsEndsAreCoupled) {
    TPlotAxis a;
    EXPECT_TRUE(a.Automatic());
    a.SetAutomatic(false);
    EXPECT_FALSE(a.AutomaticMinimum());
    EXPECT_FALSE(a.AutomaticMaximum());
    a.SetAutomaticMaximum(true);  // the other end is still off
    EXPECT_FALSE(a.Automatic());
    a.SetAutomaticMinimum(true);  // now both ends are on
    EXPECT_TRUE(a.Automatic());
    a.SetAutomaticMinimum(false);
    EXPECT_FALSE(a.Automatic());
    EXPECT_TRUE(a.AutomaticMaximum());
    a.SetAutomatic(true);
    EXPECT_TRUE(a.AutomaticMinimum());
}

TEST(AxisRange, ChecksOrderWithTheUserTexts) {
    TPlotAxis a;
    a.SetMinMax(10, 20);
    try {
        a.SetMinimum(21);
        FAIL() << "no exception";
    } catch (const EChartAxisError& e) {
        EXPECT_STREQ(e.what(), "Axis Minimum Value must be <= Maximum");
    }
    try {
        a.SetMaximum(9);
        FAIL() << "no exception";
    } catch (const EChartAxisError& e) {
        EXPECT_STREQ(e.what(), "Axis Maximum Value must be >= Minimum");
    }
    EXPECT_EQ(a.Minimum(), 10);
    EXPECT_EQ(a.Maximum(), 20);
    a.SetMinimum(20);  // equal ends are allowed
    EXPECT_EQ(a.Minimum(), 20);
    a.SetIncrement(-1);
    EXPECT_EQ(a.Increment(), 0);
}

TEST(AxisRange, AutomaticEndsTakeTheDataAtEveryDraw) {
    TPlotAxis a;
    a.FixRange(true, 20, 23.5);
    EXPECT_EQ(a.Minimum(), 20);
    EXPECT_EQ(a.Maximum(), 23.5);
    a.FixRange(false, 5, 6);  // no points
    EXPECT_EQ(a.Minimum(), 0);
    EXPECT_EQ(a.Maximum(), 0);
    a.SetAutomaticMaximum(false);
    a.SetMaximum(30);
    a.FixRange(true, 20, 23.5);
    EXPECT_EQ(a.Minimum(), 20);
    EXPECT_EQ(a.Maximum(), 30);
    EXPECT_EQ(a.DrawMaximum(), 30);
}

struct Axes4 {
    TPlotAxis left, bottom, right, top;
    TPlotAxes all() { return {&left, &bottom, &right, &top}; }
};

TEST(ZoomState, TwoZoomsThenOneUndoRestoreTheFirstState) {
    Axes4 ax;
    ax.bottom.FixRange(true, 100, 200);
    ax.left.FixRange(true, 20, 23);
    TZoomState z;
    EXPECT_TRUE(z.Restored());
    z.SaveIfRestored(ax.all());
    ZoomAxis(ax.bottom, 150, 120);
    ZoomAxis(ax.left, 21, 22);
    EXPECT_FALSE(ax.bottom.Automatic());
    EXPECT_EQ(ax.bottom.Minimum(), 120);
    EXPECT_EQ(ax.bottom.Maximum(), 150);
    z.SaveIfRestored(ax.all());  // the second zoom saves nothing
    ZoomAxis(ax.bottom, 130, 140);
    EXPECT_TRUE(z.Restore(ax.all()));
    EXPECT_TRUE(ax.bottom.Automatic());
    EXPECT_TRUE(ax.left.Automatic());
    EXPECT_TRUE(z.Restored());
    EXPECT_FALSE(z.Restore(ax.all()));  // nothing to undo: untouched
    EXPECT_TRUE(ax.bottom.Automatic());
}

TEST(ZoomState, RestoresAFixedRangeOnlyWhereTheAxisWasFixed) {
    Axes4 ax;
    ax.bottom.SetAutomatic(false);
    ax.bottom.SetMinMax(1, 2);
    ax.left.FixRange(true, 5, 6);
    TZoomState z;
    z.SaveIfRestored(ax.all());
    ZoomAxis(ax.bottom, 1.2, 1.4);
    ZoomAxis(ax.left, 5.2, 5.4);
    z.Restore(ax.all());
    EXPECT_FALSE(ax.bottom.Automatic());
    EXPECT_EQ(ax.bottom.Minimum(), 1);
    EXPECT_EQ(ax.bottom.Maximum(), 2);
    EXPECT_TRUE(ax.left.Automatic());
}

TEST(ZoomState, NarrowZoomIsWidenedAndScrollShiftsWhatWasDrawn) {
    TPlotAxis a;
    ZoomAxis(a, 5, 5);
    EXPECT_EQ(a.Minimum(), 5);
    EXPECT_EQ(a.Maximum(), 5 + 1e-10);
    // A scroll starts from the range the last draw showed, even when the hook replaced it.
    TPlotAxis b;
    b.FixRange(true, 21.2, 21.8);
    b.SetDrawRange(20.5, 22.5);
    ShiftAxis(b, 0.5);
    EXPECT_FALSE(b.Automatic());
    EXPECT_DOUBLE_EQ(b.Minimum(), 21);
    EXPECT_DOUBLE_EQ(b.Maximum(), 23);
    ShiftAxis(b, -1);  // a fixed axis shifts its settings
    EXPECT_DOUBLE_EQ(b.Minimum(), 20);
}

TEST(LineSeries, KeepsXOrderWithEqualXAfterExistingPoints) {
    TStepSeries s;
    s.AddXY(12, 1);
    s.AddXY(11, 2);
    s.AddXY(13, 3);
    s.AddXY(12, 4);  // equal X: after the existing 12
    s.AddXY(11, 5);
    EXPECT_EQ(Values(s.XValues()), (std::vector<double>{11, 11, 12, 12, 13}));
    EXPECT_EQ(Values(s.YValues()), (std::vector<float>{2, 5, 1, 4, 3}));
    double lo, hi;
    ASSERT_TRUE(s.MinMaxY(lo, hi));
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 5);
    s.AddXY(14, INFINITY);  // kept, but out of the range
    ASSERT_TRUE(s.MinMaxY(lo, hi));
    EXPECT_EQ(hi, 5);
    s.Clear();
    EXPECT_FALSE(s.MinMaxX(lo, hi));
    s.SetHorizSize(0);
    EXPECT_EQ(s.HorizSize(), 1);
}

TEST(LineSeries, OutOfOrderPointsEndWhereOneByOneInsertionPutsThem) {
    // Reference: insertion after equal X, one point at a time.
    std::vector<std::pair<double, double>> expected;
    TStepSeries s;
    unsigned seed = 7;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double x = (seed >> 16) % 50;  // many equal X
        const double y = i;
        const std::pair<double, double> p{x, y};
        expected.insert(std::upper_bound(expected.begin(), expected.end(), p,
                                         [](const auto& a, const auto& b) { return a.first < b.first; }),
                        p);
        s.AddXY(x, y);
        if (i == 1000) s.XValues();  // a read in between: the next points merge into an ordered series
    }
    s.AddXY(NAN, 1);  // no place in X order: ignored
    ASSERT_EQ(s.Count(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(s.XValues()[i], expected[i].first) << i;
        EXPECT_EQ(s.YValues()[i], expected[i].second) << i;
    }
}

// Two series that share one X column give exactly the points of two series that do not, however
// the shared run ends: a differing X, a gap, a reorder or a clear of either.
TEST(LineSeries, SharedXNeverChangesThePoints) {
    struct Step {
        int Series;  // 1, 2, or 0 for a read of both (which puts them in order)
        double X;
        float Y;
    };
    const std::vector<std::vector<Step>> scripts = {
        {{1, 1, 10}, {2, 1, 20}, {1, 2, 11}, {2, 2, 21}, {1, 3, 12}},                       // follows
        {{1, 1, 10}, {1, 2, 11}, {1, 3, 12}, {2, 1, 20}, {2, 3, 22}, {2, 4, 23}},             // a gap
        {{2, 5, 20}, {1, 5, 10}, {1, 6, 11}, {2, 6, 21}, {2, 7, 22}, {1, 8, 12}},             // 2 ahead
        {{1, 3, 10}, {2, 3, 20}, {1, 1, 11}, {0, 0, 0}, {2, 1, 21}, {2, 0.5, 22}, {1, 2, 12}},  // reorder
        {{1, 0.0, 10}, {2, -0.0, 20}, {1, 1, 11}, {2, 1, 21}},                                 // -0 is not 0
    };
    for (std::size_t k = 0; k < scripts.size(); ++k) {
        TStepSeries shared1, shared2, own1, own2;
        shared2.ShareXWith(shared1);
        EXPECT_TRUE(shared2.SharesX());
        for (const Step& step : scripts[k]) {
            if (step.Series == 0) {
                shared1.XValues();
                shared2.XValues();
                continue;
            }
            (step.Series == 1 ? shared1 : shared2).AddXY(step.X, step.Y);
            (step.Series == 1 ? own1 : own2).AddXY(step.X, step.Y);
        }
        for (auto [a, b] : {std::pair{&shared1, &own1}, std::pair{&shared2, &own2}}) {
            const auto ax = Values(a->XValues()), bx = Values(b->XValues());
            ASSERT_EQ(ax.size(), bx.size()) << k;
            for (std::size_t i = 0; i < ax.size(); ++i) EXPECT_EQ(std::signbit(ax[i]), std::signbit(bx[i])) << k;
            EXPECT_EQ(ax, bx) << k;
            EXPECT_EQ(Values(a->YValues()), Values(b->YValues())) << k;
        }
    }
    // While the X values agree, they are stored once; a clear of one leaves the other's points.
    TStepSeries a, b;
    b.ShareXWith(a);
    for (int i = 0; i < 100; ++i) a.AddXY(i, i), b.AddXY(i, -i);
    EXPECT_TRUE(b.SharesX());
    EXPECT_EQ(a.XValues().data(), b.XValues().data());
    a.Clear();
    EXPECT_FALSE(b.SharesX());
    b.AddXY(100, 1);
    ASSERT_EQ(b.Count(), 101u);
    EXPECT_EQ(b.XValues()[99], 99);
    EXPECT_EQ(b.YValues()[99], -99);
    // A series with points of its own is not tied to another one.
    TStepSeries c;
    c.AddXY(1, 1);
    c.ShareXWith(b);
    EXPECT_FALSE(c.SharesX());
}

TEST(Columns, OneColumnPerPixelWithItsExtremes) {
    std::vector<double> x;
    std::vector<float> y;
    // 1000 points in [0, 10), values i % 100 with -5 at each 50; a point goes to the nearest
    // pixel, so column 3 holds X in [2.5, 3.5): the points 250 (-5) to 349 (49).
    for (int i = 0; i < 1000; ++i) {
        x.push_back(i / 100.0);
        y.push_back(i % 100 == 50 ? -5 : i % 100);
    }
    const chartscale::TAxisMap xm{0, 10, 0, 10}, ym{-10, 100, -10, 100};  // identity
    const auto cols = chartscale::ReduceToColumns(x, y, xm, ym, 0, 10, -10, 100);
    ASSERT_EQ(cols.size(), 11u);
    EXPECT_EQ(cols[3].X, 3);
    EXPECT_EQ(cols[3].First, -5);
    EXPECT_EQ(cols[3].Last, 49);
    EXPECT_EQ(cols[3].Min, -5);
    EXPECT_EQ(cols[3].Max, 99);
    EXPECT_EQ(cols[10].First, -5);  // the point 950
    EXPECT_EQ(cols[10].Last, 99);
}

TEST(Columns, KeepsOneNeighbourOnEachSideAndClampsFarPoints) {
    const std::vector<double> x{-1e9, 1, 2, 3, 1e9, 2e9};
    const std::vector<float> y{7, 1, 2, 3, 8, 9};
    const chartscale::TAxisMap m{0, 100, 0, 100};
    const auto cols = chartscale::ReduceToColumns(x, y, m, m, 0, 100, 0, 100);
    ASSERT_EQ(cols.size(), 5u);  // 2e9 is not needed: 1e9 already leaves the view
    EXPECT_EQ(cols.front().X, -16);
    EXPECT_DOUBLE_EQ(cols.front().First, 7);
    EXPECT_EQ(cols.back().X, 116);
}

}  // namespace

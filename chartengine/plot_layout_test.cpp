#include "chartengine/plot_layout.h"

#include <gtest/gtest.h>

namespace {

// A font of fixed metrics: every character 7 pixels wide, lines 15 high.
TTextMeasure FixedFont(double height = 15, double lineSpacing = 16.4) {
    return {height, lineSpacing, 7, [](const QString& text) { return 7.0 * text.size(); }};
}

class PlotLayoutTest : public testing::Test {
  protected:
    void SetUp() override {
        in.Area = QRect(0, 0, 800, 600);
        in.TitleFont = in.LeftLabels = in.BottomLabels = in.LeftTitleFont = FixedFont();
        in.Left = &left;
        in.Bottom = &bottom;
        in.Right = &right;
        in.Top = &top;
    }
    TPlotAxis left, bottom, right, top;
    TPlotLayoutInput in;
};

// No series: no axes, the plot takes the inner area less half a label line on the right.
TEST_F(PlotLayoutTest, WithoutAxesThePlotFillsTheInnerArea) {
    const TPlotLayout l = LayOutPlot(in);
    EXPECT_EQ(QRect(QPoint(5, 5), QPoint(794, 594)), l.Inner);
    EXPECT_EQ(QRect(QPoint(5, 5), QPoint(786, 594)), l.Plot);
    EXPECT_TRUE(l.TitleLines.empty());
    EXPECT_TRUE(l.Left.Labels.empty());
    EXPECT_TRUE(l.Bottom.Labels.empty());
}

// The program's arrangement: a two-line title, value labels with a title on the left, turned
// labels below, markers' margins. Every number follows from the fixed font metrics.
TEST_F(PlotLayoutTest, TitleAxesLabelsAndMarginsAtExactPixels) {
    in.TitleLines = 2;
    in.AxesShown = true;
    in.LeftTitle = QStringLiteral("°C");
    in.BottomLabelsTurned = true;
    in.MarkerMargin = 3;
    left.SetStartPosition(2);
    left.SetEndPosition(98);
    left.FixRange(true, 10, 30);
    left.SetIncrement(1);
    left.SetMinorTickCount(1);
    bottom.FixRange(true, 0, 100);
    bottom.SetIncrement(10);

    const TPlotLayout l = LayOutPlot(in);
    // Title lines 17 (ceil of 16.4) apart, then a gap of 4 above the plot.
    ASSERT_EQ(2u, l.TitleLines.size());
    EXPECT_EQ(QRectF(5, 5, 790, 15), l.TitleLines[0]);
    EXPECT_EQ(QRectF(5, 22, 790, 15), l.TitleLines[1]);
    // Left: title 2 x 7 + 4, labels "10".."30" 14 wide, gap 2, tick 4: 38 from the inner edge.
    // Below: the wider end label "100" (21) turned, gap 2, tick 4.
    EXPECT_EQ(QRect(QPoint(43, 43), QPoint(786, 567)), l.Plot);
    EXPECT_EQ(QRect(QPoint(5, 43), QPoint(42, 567)), l.LeftBand);
    EXPECT_EQ(QRect(QPoint(43, 568), QPoint(786, 594)), l.BottomBand);
    // The value axis runs from 2 % to 98 % of the plot height less the marker margin.
    EXPECT_DOUBLE_EQ(553.52, l.LeftMap.PixelFrom);
    EXPECT_DOUBLE_EQ(56.48, l.LeftMap.PixelTo);
    EXPECT_EQ(46, l.BottomMap.PixelFrom);
    EXPECT_EQ(783, l.BottomMap.PixelTo);
    // 30 labels fit in 497 pixels, so the desired step of 1 stands: 21 labels.
    EXPECT_EQ(1, l.Left.Step);
    ASSERT_EQ(21u, l.Left.Labels.size());
    EXPECT_EQ(554, l.Left.LabelPixels.front());
    EXPECT_EQ(305, l.Left.LabelPixels[10]);
    EXPECT_EQ(56, l.Left.LabelPixels.back());
    EXPECT_EQ(QStringLiteral("20"), l.Left.Texts[10]);
    EXPECT_EQ(14, l.LeftLabelWidth);
    ASSERT_EQ(20u, l.Left.Minor.size());
    EXPECT_EQ(10.5, l.Left.Minor.front());
    EXPECT_EQ(541, l.Left.MinorPixels.front());
    EXPECT_EQ(QRectF(5, 297.5, 18, 15), l.LeftTitle);
    // 45 turned labels fit in 737 pixels: every 10.
    EXPECT_EQ(10, l.Bottom.Step);
    EXPECT_EQ((std::vector<int>{46, 120, 193, 267, 341, 415, 488, 562, 636, 709, 783}), l.Bottom.LabelPixels);
    EXPECT_EQ(21, l.Bottom.TextWidths.back());
}

// Upright time labels take twelve average characters each along the axis.
TEST_F(PlotLayoutTest, UprightLabelsFitByTwelveCharacters) {
    in.AxesShown = true;
    left.FixRange(true, 0, 1);
    bottom.FixRange(true, 0, 100);
    bottom.SetIncrement(1);
    const TPlotLayout l = LayOutPlot(in);
    // The plot bottom leaves one label line: 594 - (4 + 2 + 15).
    EXPECT_EQ(573, l.Plot.bottom());
    // 84 wide labels in the axis length: round(length / 92.4).
    const int fit = chartscale::LabelsThatFit(l.BottomMap.PixelTo - l.BottomMap.PixelFrom, 84);
    EXPECT_EQ(8, fit);
    EXPECT_EQ(20, l.Bottom.Step);  // 1, 2, 5, 10 give more than 8 labels
}

}  // namespace

#include "chartengine/plot_canvas.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "chartengine/testing/test_application.h"

namespace {

class PlotCanvas : public testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        canvas.Title.Visible = false;
        canvas.Legend.Visible = false;
        TStepSeries& s = canvas.AddSeries();
        s.SetColor(0x00C000);
        s.SetLineWidth(2);
        for (int i = 0; i <= 10; ++i) s.AddXY(i, i < 5 ? 5 : 8);
    }
    static QImage White(int w, int h) {
        QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        return image;
    }

    TPlotCanvas canvas;
    const QColor green = QColor(0, 0xC0, 0);
};

// The page and the screen get one draw: at scale 1 the scaled draw is the screen picture moved to the
// target, at scale 2 every point of it lands twice as far from the target's corner.
TEST_F(PlotCanvas, ScaledDrawIsTheScreenPictureMovedAndScaledOntoTheTarget) {
    QImage screen = White(400, 300);
    {
        QPainter p(&screen);
        canvas.Draw(p, QRect(0, 0, 400, 300));
    }
    const QRect plot = canvas.PlotRect();
    const int x = plot.left() + plot.width() / 4;
    const int y = chartscale::PixelOf(canvas.LeftMap().ToPixel(5));
    ASSERT_EQ(screen.pixelColor(x, y), green);

    QImage moved = White(420, 320);
    {
        QPainter p(&moved);
        canvas.DrawScaled(p, QRectF(10, 15, 400, 300), QSize(400, 300));
    }
    EXPECT_EQ(moved.copy(10, 15, 400, 300), screen);

    QImage page = White(1000, 800);
    QPainter p(&page);
    p.translate(50, 0);  // the target is in the painter's coordinates
    canvas.DrawScaled(p, QRectF(50, 50, 800, 600), QSize(400, 300));
    // The painter comes back as it was given.
    EXPECT_EQ(p.worldTransform(), QTransform::fromTranslate(50, 0));
    EXPECT_FALSE(p.hasClipping());
    p.end();
    EXPECT_EQ(canvas.PlotRect(), plot);  // laid out at the screen size
    EXPECT_EQ(page.pixelColor(100 + 2 * x, 50 + 2 * y), green);
    EXPECT_EQ(page.pixelColor(99, 49), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(900, 650), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(100 + 2 * 2, 50 + 2 * 2), screen.pixelColor(2, 2));  // the panel inside its bevel
}

// A widget redraws on Changed(): every change outside a draw reports it, none inside the hook.
TEST_F(PlotCanvas, ReportsChangesMadeOutsideADrawOnly) {
    struct TCounting : TPlotCanvas {
        int changes = 0;
        void Changed() override { ++changes; }
    } counting;
    TStepSeries& s = counting.AddSeries();
    EXPECT_EQ(counting.changes, 1);
    s.AddXY(1, 2);
    counting.LeftAxis.SetIncrement(1);
    counting.SetLegendVisible(false);
    EXPECT_EQ(counting.changes, 4);
    counting.OnBeforeDrawAxes = [&] {
        counting.LeftAxis.SetMinorTickCount(3);
        s.SetColor(0x123456);
        EXPECT_TRUE(counting.Drawing());
    };
    QImage image = White(200, 100);
    QPainter p(&image);
    counting.Draw(p, QRect(0, 0, 200, 100));
    EXPECT_EQ(counting.changes, 4);
    EXPECT_FALSE(counting.Drawing());
    EXPECT_EQ(counting.DrawCount(), 1);
}

// Marker lines and bands lie in the plot without moving the axes: a line outside the value range is
// not drawn, a band shades only its span of the time axis, and the series stays on top of both.
TEST_F(PlotCanvas, MarkerLinesAndBandsKeepTheAxesAndLieUnderTheSeries) {
    const QColor red(220, 0, 0), band(255, 224, 224);
    QImage plain = White(400, 300);
    {
        QPainter p(&plain);
        canvas.Draw(p, QRect(0, 0, 400, 300));
    }
    const double yMin = canvas.LeftMap().Min, yMax = canvas.LeftMap().Max;
    canvas.SetMarkerLines({{6.5, red, 1}, {20, red, 1}, {-3, red, 1}});
    canvas.SetBands({{2.0, 3.0, band}, {9.5, 14.0, band}});
    QImage image = White(400, 300);
    {
        QPainter p(&image);
        canvas.Draw(p, QRect(0, 0, 400, 300));
    }
    EXPECT_EQ(yMin, canvas.LeftMap().Min);
    EXPECT_EQ(yMax, canvas.LeftMap().Max);

    const QRect plot = canvas.PlotRect();
    const auto x = [&](double v) { return chartscale::PixelOf(canvas.BottomMap().ToPixel(v)); };
    const auto y = [&](double v) { return chartscale::PixelOf(canvas.LeftMap().ToPixel(v)); };
    // The line at 6.5 crosses the plot; only the series (at 5 before x = 5) is drawn over it.
    int redPixels = 0;
    for (int px = plot.left() + 1; px < plot.right(); ++px) redPixels += image.pixelColor(px, y(6.5)) == red;
    EXPECT_GT(redPixels, plot.width() * 9 / 10);
    // Nothing else of the picture became red: the lines at 20 and -3 lie outside the value axis.
    int redElsewhere = 0;
    for (int py = 0; py < image.height(); ++py)
        for (int px = 0; px < image.width(); ++px)
            redElsewhere += py != y(6.5) && image.pixelColor(px, py) == red;
    EXPECT_EQ(0, redElsewhere);

    // The band from 2 to 3 shades the plot's height between its ends (the grid lies over it); the
    // band past the last point ends at the frame.
    const auto shaded = [&](int from, int to, int row) {
        int n = 0;
        for (int px = from; px <= to; ++px) n += image.pixelColor(px, row) == band;
        return n;
    };
    int rowsShaded = 0, rowsPastLast = 0;
    for (int row = plot.top() + 1; row < plot.bottom(); ++row) {
        rowsShaded += shaded(x(2) + 1, x(3) - 1, row) > (x(3) - x(2)) * 8 / 10;
        rowsPastLast += shaded(x(9.5) + 1, plot.right() - 1, row) > 0;
        EXPECT_EQ(0, shaded(x(3) + 2, x(4) - 2, row)) << row;
    }
    EXPECT_GT(rowsShaded, plot.height() * 8 / 10);
    EXPECT_GT(rowsPastLast, plot.height() * 8 / 10);
    int bandOutside = 0;
    for (int py = 0; py < image.height(); ++py)
        for (int px = 0; px < image.width(); ++px)
            bandOutside += !plot.contains(QPoint(px, py)) && image.pixelColor(px, py) == band;
    EXPECT_EQ(0, bandOutside);
    // The series lies over the band.
    EXPECT_EQ(green, image.pixelColor(x(2), y(5)));
}

}  // namespace

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

}  // namespace

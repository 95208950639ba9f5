#include "chartengine/plot.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "chartengine/testing/test_application.h"

namespace {

QApplication& App() { return TestApplication(); }

QImage Render(TPlot& chart, int w = 800, int h = 600) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    chart.Draw(p, QRect(0, 0, w, h));
    return image;
}

class ChartWidget : public testing::Test {
  protected:
    void SetUp() override {
        App();
        chart = std::make_unique<TPlot>();
        chart->Title.Visible = false;
        chart->Legend.Visible = false;
        s1 = &chart->AddSeries();
        s2 = &chart->AddSeries();
        s1->SetColor(0xFF0000);
        s2->SetColor(0x0000FF);
        for (int i = 0; i <= 100; ++i) {
            s1->AddXY(i, 20 + i / 10.0);
            s2->AddXY(i, 10 + i / 5.0);
        }
    }
    // Shows the chart at 800 x 600 and draws it once, so that the gestures know its geometry.
    void ShowChart() {
        chart->resize(800, 600);
        chart->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
        chart->repaint();
    }
    void Drag(Qt::MouseButton button, QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
        QTest::mousePress(chart.get(), button, mods, from);
        QTest::mouseMove(chart.get(), to);
        QTest::mouseRelease(chart.get(), button, mods, to);
    }

    std::unique_ptr<TPlot> chart;
    TStepSeries* s1 = nullptr;
    TStepSeries* s2 = nullptr;
};

TEST_F(ChartWidget, AutomaticRangesCountHiddenSeriesAndEmptyGivesZero) {
    s2->SetLinePenVisible(false);
    s2->SetPointerVisible(false);
    Render(*chart);
    EXPECT_EQ(chart->LeftAxis.Minimum(), 10);
    EXPECT_EQ(chart->LeftAxis.Maximum(), 30);
    EXPECT_EQ(chart->BottomAxis.Maximum(), 100);
    s1->Clear();
    s2->Clear();
    Render(*chart);
    EXPECT_EQ(chart->LeftAxis.Minimum(), 0);
    EXPECT_EQ(chart->LeftAxis.Maximum(), 0);
}

TEST_F(ChartWidget, HookSeesTheFixedRangeAndItsRangeChangesApplyFromTheNextDraw) {
    int calls = 0;
    double seenMax = -1;
    chart->OnBeforeDrawAxes = [&] {
        ++calls;
        seenMax = chart->LeftAxis.Maximum();
        chart->LeftAxis.SetIncrement(5);  // applies to this draw
        if (calls == 1) {
            chart->LeftAxis.SetAutomatic(false);
            chart->LeftAxis.SetMinMax(0, 100);  // applies to the next draw
        }
    };
    ShowChart();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seenMax, 30);
    EXPECT_EQ(chart->LeftMap().Max, 30);
    EXPECT_EQ(chart->LeftStep(), 5);
    // Changes made inside the hook start no further draw.
    QApplication::processEvents();
    EXPECT_EQ(chart->DrawCount(), 1);
    chart->resize(801, 600);  // a resize redraws
    chart->repaint();
    EXPECT_EQ(seenMax, 100);
    EXPECT_EQ(chart->LeftMap().Max, 100);
    // A change outside a draw redraws.
    s1->AddXY(101, 25);
    QApplication::processEvents();
    EXPECT_EQ(chart->DrawCount(), 3);
}

TEST_F(ChartWidget, TitleTakesRoomAboveThePlotAndTheLegendLiesOverIt) {
    Render(*chart);
    const QRect plain = chart->PlotRect();
    chart->SetTitleText({"", "Line 2", "Line 3"});
    chart->SetTitleVisible(true);
    Render(*chart);
    EXPECT_GT(chart->PlotRect().top(), plain.top() + 2 * QFontMetrics(chart->Title.Font).height());
    chart->SetTitleVisible(false);
    chart->SetLegendVisible(true);
    chart->Legend.Background = QColor(221, 221, 221);
    const QImage image = Render(*chart);
    EXPECT_EQ(chart->PlotRect(), plain);
    // The legend box sits at the top middle of the plot, on top of it.
    EXPECT_EQ(image.pixelColor(plain.center().x(), plain.top() + 5), QColor(221, 221, 221));
}

// Every position comes from the chart's own layout of the draw (its maps), and the draw is
// repeated at sizes that put the points at different fractions of a pixel, so the check holds
// whatever the fonts make of the axis labels.
TEST_F(ChartWidget, DrawsStairsAndSquareMarkersOfTheSeriesColour) {
    s1->Clear();
    s2->Clear();
    s1->SetLineWidth(2);
    s1->SetStairs(true);
    s1->AddXY(0, 0);
    s1->AddXY(10, 10);
    s1->AddXY(20, 5);
    const QColor red(255, 0, 0);
    for (int extra = 0; extra < 4; ++extra) {
        const int w = 800 + extra, h = 600 + extra;
        s1->SetLinePenVisible(true);
        s1->SetPointerVisible(false);
        const QImage image = Render(*chart, w, h);
        const auto& xm = chart->BottomMap();
        const auto& ym = chart->LeftMap();
        auto at = [&](const QImage& img, double x, double y) {
            return img.pixelColor(chartscale::PixelOf(xm.ToPixel(x)), chartscale::PixelOf(ym.ToPixel(y)));
        };
        EXPECT_EQ(at(image, 5, 0), red) << w;    // the value 0 holds until X = 10
        EXPECT_NE(at(image, 5, 5), red) << w;    // no slanted segment
        EXPECT_EQ(at(image, 10, 7), red) << w;   // the rise at X = 10, over the grid line there
        EXPECT_EQ(at(image, 15, 10), red) << w;  // 10 holds until X = 20
        EXPECT_NE(at(image, 15, 5), red) << w;
        // Markers: (2 x 2 + 1) pixels square, centred on the point, with the line hidden.
        s1->SetLinePenVisible(false);
        s1->SetPointerVisible(true);
        s1->SetHorizSize(2);
        s1->SetVertSize(2);
        const QImage markers = Render(*chart, w, h);
        const int px = chartscale::PixelOf(xm.ToPixel(10)), py = chartscale::PixelOf(ym.ToPixel(10));
        EXPECT_EQ(markers.pixelColor(px + 2, py + 2), red) << w;
        EXPECT_EQ(markers.pixelColor(px - 2, py - 2), red) << w;
        EXPECT_NE(markers.pixelColor(px + 3, py), red) << w;
        EXPECT_NE(markers.pixelColor(px, py - 3), red) << w;
        // The axes keep a margin for the markers: the extreme points lie inside the plot frame.
        EXPECT_GT(xm.ToPixel(0) - 2, chart->PlotRect().left());
        EXPECT_LT(ym.ToPixel(10) - 2, chart->PlotRect().bottom());
    }
}

TEST_F(ChartWidget, ColumnReductionDrawsWhatAllPointsDraw) {
    // Dense data: the per-column drawing must cover each column's full extent.
    s1->Clear();
    s2->Clear();
    s1->SetStairs(true);
    s1->SetLineWidth(1);
    for (int i = 0; i < 100000; ++i) s1->AddXY(i, (i % 1000 == 500) ? 0 : 50 + (i % 7));
    const QImage image = Render(*chart);
    const auto& xm = chart->BottomMap();
    const auto& ym = chart->LeftMap();
    // The single dips to 0 reach the bottom.
    const int x = int(std::floor(xm.ToPixel(50500)));
    bool reached = false;
    for (int dx = -1; dx <= 1; ++dx)
        reached |= image.pixelColor(x + dx, int(std::lround(ym.ToPixel(0)))) == QColor(255, 0, 0);
    EXPECT_TRUE(reached);
}

TEST_F(ChartWidget, ExtremeDataAndTinySizesDrawWithoutHanging) {
    s1->AddXY(-1e6, -1e30);
    s1->AddXY(3e6, 1e30);
    s2->AddXY(50, NAN);
    Render(*chart, 30, 20);
    Render(*chart, 1, 1);
    Render(*chart);
    EXPECT_EQ(chart->LeftAxis.Maximum(), double{1e30f});  // Y is held as a float
    EXPECT_LE(chart->LeftLabels().size(), 100u);
    chart->BottomAxis.SetDateTime(true);
    Render(*chart);
    EXPECT_LE(chart->BottomLabels().size(), 100u);
}

TEST_F(ChartWidget, LeftDragZoomsUndoesOrDoesNothingByTheSixteenPixelRule) {
    ShowChart();
    int zooms = 0, undos = 0;
    chart->OnZoom = [&] { ++zooms; };
    chart->OnUndoZoom = [&] { ++undos; };
    const auto before = chart->BottomMap();

    Drag(Qt::LeftButton, {100, 100}, {116, 300});  // 16 px across: nothing
    Drag(Qt::LeftButton, {100, 100}, {300, 116});
    EXPECT_EQ(zooms, 0);
    EXPECT_EQ(undos, 0);
    EXPECT_TRUE(chart->BottomAxis.Automatic());

    Drag(Qt::LeftButton, {100, 100}, {300, 250});
    EXPECT_EQ(zooms, 1);
    EXPECT_FALSE(chart->ZoomRestored());
    EXPECT_FALSE(chart->BottomAxis.Automatic());
    EXPECT_FALSE(chart->LeftAxis.Automatic());
    EXPECT_DOUBLE_EQ(chart->BottomAxis.Minimum(), before.ToValue(100));
    EXPECT_DOUBLE_EQ(chart->BottomAxis.Maximum(), before.ToValue(300));
    chart->repaint();
    const auto zoomed = chart->LeftMap();

    Drag(Qt::LeftButton, {100, 100}, {117, 117});  // 17 px both ways: a second zoom
    EXPECT_EQ(zooms, 2);
    EXPECT_DOUBLE_EQ(chart->LeftAxis.Maximum(), zoomed.ToValue(100));

    Drag(Qt::LeftButton, {300, 250}, {100, 100});  // up and left: undo, back to before the first zoom
    EXPECT_EQ(undos, 1);
    EXPECT_TRUE(chart->ZoomRestored());
    EXPECT_TRUE(chart->BottomAxis.Automatic());
    EXPECT_TRUE(chart->LeftAxis.Automatic());
    Drag(Qt::LeftButton, {100, 300}, {300, 100});  // up and right: undo too, nothing left to restore
    EXPECT_EQ(undos, 2);
    EXPECT_TRUE(chart->BottomAxis.Automatic());
}

TEST_F(ChartWidget, ClickRunsBeforeTheZoomAndPressesOutsideStartNothing) {
    ShowChart();
    bool automaticAtClick = false;
    int clicks = 0;
    chart->OnClick = [&] {
        ++clicks;
        automaticAtClick = chart->BottomAxis.Automatic();
    };
    Drag(Qt::LeftButton, {100, 100}, {300, 250});
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(automaticAtClick);
    EXPECT_FALSE(chart->BottomAxis.Automatic());
    // A press on the panel's edge, outside plot and axis bands, starts no gesture.
    QTest::mousePress(chart.get(), Qt::LeftButton, {}, {2, 2});
    EXPECT_FALSE(chart->ZoomGestureActive());
    QTest::mouseRelease(chart.get(), Qt::LeftButton, {}, {2, 2});
    EXPECT_EQ(clicks, 2);  // still a click inside the chart
}

TEST_F(ChartWidget, RubberBandInvertsThePicture) {
    ShowChart();
    const QImage plain = chart->grab().toImage();
    QTest::mousePress(chart.get(), Qt::LeftButton, {}, {100, 100});
    QTest::mouseMove(chart.get(), {300, 250});
    EXPECT_TRUE(chart->ZoomGestureActive());
    const QImage band = chart->grab().toImage();
    const QRgb a = plain.pixel(200, 100), b = band.pixel(200, 100);
    EXPECT_EQ(qRed(b), 255 - qRed(a));
    EXPECT_EQ(qGreen(b), 255 - qGreen(a));
    EXPECT_EQ(band.pixel(200, 180), plain.pixel(200, 180));            // not filled
    QTest::mouseRelease(chart.get(), Qt::LeftButton, {}, {110, 110});  // too short: the band goes, nothing else
    EXPECT_EQ(chart->grab().toImage().pixel(200, 100), plain.pixel(200, 100));
}

TEST_F(ChartWidget, RightDragScrollsWithThePointerStopsOutsideAndOpensTheMenu) {
    QMenu menu;
    menu.addAction("Zapisz");
    chart->PopupMenu = &menu;
    ShowChart();
    const auto map = chart->BottomMap();
    const double min0 = map.Min;
    const double ymin0 = chart->LeftMap().Min;
    QTest::mousePress(chart.get(), Qt::RightButton, {}, {200, 200});
    EXPECT_FALSE(menu.isVisible());  // not on the press
    QTest::mouseMove(chart.get(), {250, 220});
    const double dx = map.ToValue(200) - map.ToValue(250);
    EXPECT_DOUBLE_EQ(chart->BottomAxis.Minimum(), min0 + dx);
    EXPECT_FALSE(chart->BottomAxis.Automatic());
    EXPECT_GT(chart->LeftAxis.Minimum(), ymin0);  // moved down: the data follow, so the range goes up
    chart->repaint();
    QTest::mouseMove(chart.get(), {150, 180});  // left of and above the press point
    const double afterBack = chart->BottomAxis.Minimum();
    EXPECT_GT(afterBack, min0 + dx);
    QTest::mouseMove(chart.get(), {2, 2});  // outside the plot: ends the scroll
    EXPECT_FALSE(chart->ScrollGestureActive());
    QTest::mouseMove(chart.get(), {220, 220});  // coming back does not resume it
    EXPECT_EQ(chart->BottomAxis.Minimum(), afterBack);
    QTest::mouseRelease(chart.get(), Qt::RightButton, {}, {220, 220});
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    // An undo returns to the scales before the scroll.
    chart->UndoZoom();
    EXPECT_TRUE(chart->BottomAxis.Automatic());
}

TEST_F(ChartWidget, WheelIsOfferedToTheHookAndChangesNothing) {
    ShowChart();
    int wheels = 0;
    chart->OnMouseWheel = [&](Qt::KeyboardModifiers, int delta, QPoint, bool& handled) {
        ++wheels;
        EXPECT_EQ(delta, 120);
        EXPECT_FALSE(handled);
    };
    const double min = chart->BottomAxis.Minimum();
    QWheelEvent wheel(QPointF(200, 200), chart->mapToGlobal(QPointF(200, 200)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart.get(), &wheel);
    EXPECT_EQ(wheels, 1);
    EXPECT_FALSE(wheel.isAccepted());
    EXPECT_EQ(chart->BottomAxis.Minimum(), min);
    EXPECT_TRUE(chart->BottomAxis.Automatic());
    EXPECT_EQ(chart->focusPolicy(), Qt::NoFocus);
}

TEST_F(ChartWidget, PrintsOnePageToAPdfAndPassesFailuresOn) {
    ShowChart();
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("chart.pdf"));
    const int draws = chart->DrawCount();
    chart->PrintPage(printer);
    EXPECT_EQ(chart->DrawCount(), draws + 1);  // the print ran a full draw
    EXPECT_EQ(printer.docName(), "Chart");
    QFile pdf(dir.filePath("chart.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1);
    EXPECT_TRUE(bytes.contains("/Count 1"));

    // A job that cannot start.
    QPrinter bad(QPrinter::HighResolution);
    bad.setOutputFormat(QPrinter::PdfFormat);
    bad.setOutputFileName(dir.filePath("missing/dir/chart.pdf"));
    EXPECT_THROW(chart->PrintPage(bad), EChartPrintError);

    // A failure during the draw: the job is ended and the failure reaches the caller.
    chart->OnBeforeDrawAxes = [] { throw std::runtime_error("draw failed"); };
    QPrinter failing(QPrinter::HighResolution);
    failing.setOutputFormat(QPrinter::PdfFormat);
    failing.setOutputFileName(dir.filePath("failing.pdf"));
    try {
        chart->PrintPage(failing);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "draw failed");
    }
    EXPECT_NE(failing.printerState(), QPrinter::Active);
}

}  // namespace

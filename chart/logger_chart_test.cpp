#include "chart/logger_chart.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "base/logger_format.h"
#include "chartengine/testing/test_application.h"

namespace {

QApplication& App() { return TestApplication(); }

// A reading as the parser stores it: narrowed to float.
double Reading(double v) { return static_cast<float>(v); }

class LoggerChart : public testing::Test {
  protected:
    void SetUp() override {
        App();
        for (QAction** a : {&dots, &temp, &hum}) {
            *a = new QAction(&menu);
            (*a)->setCheckable(true);
        }
        temp->setChecked(true);
        hum->setChecked(true);
        chart = std::make_unique<TLoggerChart>(nullptr, dots, temp, hum, &popup);
        chart->KeyboardState = [this] { return keys; };
        chart->resize(800, 600);
    }
    void AddReadings(double t1Min, double t1Max, double t2 = NAN, int count = 60) {
        const double start = EncodeDate(2017, 3, 5) + EncodeTime(14, 0, 0);
        for (int i = 0; i < count; ++i) {
            const double x = start + i / 1440.0;
            chart->Series1.AddXY(x, Reading(t1Min + (t1Max - t1Min) * i / (count - 1)));
            chart->Series2.AddXY(x, Reading(std::isnan(t2) ? t1Min : t2));
        }
    }
    // One full draw at the chart's size, as the screen would do it.
    QImage Draw() {
        QImage image(chart->size(), QImage::Format_ARGB32_Premultiplied);
        QPainter p(&image);
        chart->Draw(p, chart->rect());
        return image;
    }
    void ShowChart() {
        chart->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(chart.get()));
        chart->repaint();
    }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
        QTest::mousePress(chart.get(), Qt::LeftButton, mods, from);
        QTest::mouseMove(chart.get(), to);
        QTest::mouseRelease(chart.get(), Qt::LeftButton, mods, to);
        chart->repaint();
    }

    bool appReady = (App(), true);  // before any widget member
    QMenu menu, popup;
    QAction *dots = nullptr, *temp = nullptr, *hum = nullptr;
    Qt::KeyboardModifiers keys = Qt::NoModifier;
    std::unique_ptr<TLoggerChart> chart;
};

TEST_F(LoggerChart, StartsHiddenAndConfigured) {
    EXPECT_TRUE(chart->isHidden());
    EXPECT_EQ(chart->objectName(), "Chart");
    EXPECT_EQ(chart->Series1.Title(), "Temperatura_1");
    EXPECT_EQ(chart->Series2.Title(), "Temperatura_2");
    EXPECT_EQ(chart->Series1.Color(), 0xDC0064u);  // RGB(220, 0, 100)
    EXPECT_EQ(chart->Series2.Color(), 0x8080C0u);  // RGB(128, 128, 192)
    for (TStepSeries* s : {&chart->Series1, &chart->Series2}) {
        EXPECT_TRUE(s->Stairs());
        EXPECT_EQ(s->LineWidth(), 2);
        EXPECT_TRUE(s->PointerVisible());
    }
    EXPECT_EQ(chart->Series1.HorizSize(), 1);
    EXPECT_EQ(chart->Series2.VertSize(), 2);
    EXPECT_FALSE(chart->Title.Visible);
    EXPECT_FALSE(chart->Legend.Visible);
    EXPECT_EQ(chart->LeftAxis.StartPosition(), 2);
    EXPECT_EQ(chart->LeftAxis.EndPosition(), 98);
    EXPECT_EQ(chart->LeftAxis.Title, QString::fromUtf8("°C"));
    EXPECT_EQ(chart->BottomAxis.LabelsAngle, 90);
    EXPECT_TRUE(chart->BottomAxis.DateTime());
    EXPECT_TRUE(chart->LeftAxis.Automatic());
    EXPECT_TRUE(chart->BottomAxis.Automatic());
}

TEST_F(LoggerChart, LabelTexts) {
    // The machine's regional settings here are the C locale: "." and ":".
    const auto& time = chart->BottomAxis.LabelText;
    EXPECT_EQ(time(EncodeDate(2017, 3, 5) + EncodeTime(14, 0, 0)), "05.03.17 14:00");
    EXPECT_EQ(time(42799.041666666664), "05.03.17 01:00");  // not 00:59
    EXPECT_EQ(time(EncodeDate(2009, 12, 31) + EncodeTime(23, 59, 59, 999)), "31.12.09 23:59");
    EXPECT_EQ(time(EncodeDate(2009, 12, 31) + (1 - 1e-10)), "01.01.10 00:00");  // rounds to midnight
    const auto& value = chart->LeftAxis.LabelText;
    EXPECT_EQ(value(5), "05.0");
    EXPECT_EQ(value(21.5), "21.5");
    EXPECT_EQ(value(21.299999237060547), "21.3");
    EXPECT_EQ(value(-5), "-05.0");
    EXPECT_EQ(value(-1e-17), "00.0");
    EXPECT_EQ(value(123.44), "123.4");
}

struct ScaleRow {
    std::string name;
    double lo, hi;
    double drawMin, drawMax;  // the range the draw shows
    double step;
    int minor;
};

class ValueAxisRule : public LoggerChart, public testing::WithParamInterface<ScaleRow> {};

TEST_P(ValueAxisRule, SameStablePictureAtEveryDraw) {
    const ScaleRow& r = GetParam();
    if (!std::isnan(r.lo)) AddReadings(r.lo, r.hi);
    for (int draw = 0; draw < 3; ++draw) {
        Draw();
        EXPECT_NEAR(chart->LeftMap().Min, r.drawMin, 1e-6) << "draw " << draw;
        EXPECT_NEAR(chart->LeftMap().Max, r.drawMax, 1e-6) << "draw " << draw;
        EXPECT_NEAR(chart->LeftStep(), r.step, 1e-12) << "draw " << draw;
        EXPECT_EQ(chart->LeftAxis.MinorTickCount(), r.minor);
        EXPECT_TRUE(chart->LeftAxis.Automatic());
    }
}

INSTANTIATE_TEST_SUITE_P(Readings, ValueAxisRule,
                         testing::Values(ScaleRow{"Wide", 20.0, 23.5, 20.0, 23.5, 1, 9},
                                         ScaleRow{"ExactlyTwo", 20.5, 22.5, 20.5, 22.5, 1, 9},
                                         ScaleRow{"Narrow", 21.2, 21.8, 20.5, 22.5, 0.1, 0},
                                         ScaleRow{"AllEqual", 19.0, 19.0, 18.0, 20.0, 0.1, 0},
                                         ScaleRow{"NoPoints", NAN, NAN, -1, 1, 0.1, 0}),
                         [](const auto& info) { return info.param.name; });

TEST_F(LoggerChart, WideReadingsAreLabelledEveryDegreeWithNineMinorTicks) {
    AddReadings(20.0, 23.5);
    Draw();
    const auto& labels = chart->LeftLabels();
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_DOUBLE_EQ(labels.front(), 20);
    EXPECT_DOUBLE_EQ(labels.back(), 23);
    EXPECT_EQ(chart->LeftMinorTicks().size(), 9u * 3 + 5);  // nine per degree, five up to 23.5
    // The time axis: an hour in 800 pixels is labelled every few minutes.
    EXPECT_NEAR(chart->BottomStep(), 5.0 / 1440, 1e-12);
    EXPECT_EQ(chart->BottomAxis.MinorTickCount(), 0);
}

TEST_F(LoggerChart, TimeLabelsOfWeeksFallOnMidnights) {
    const double start = EncodeDate(2017, 3, 5) + 0.5;
    for (int i = 0; i < 60 * 24; ++i) chart->Series1.AddXY(start + i / 24.0, 20 + i % 3);
    Draw();
    EXPECT_GE(chart->BottomStep(), 1.0);
    ASSERT_FALSE(chart->BottomLabels().empty());
    for (double v : chart->BottomLabels()) EXPECT_EQ(v, std::floor(v));
    EXPECT_EQ(chart->BottomAxis.LabelText(chart->BottomLabels().front()).substr(9), "00:00");
}

TEST_F(LoggerChart, FixedTwoDegreeAxisGoesBackToAutomatic) {
    AddReadings(10, 30);
    chart->LeftAxis.SetAutomatic(false);
    chart->LeftAxis.SetMinMax(20.5, 22.5);
    Draw();
    EXPECT_EQ(chart->LeftStep(), 1);
    EXPECT_EQ(chart->LeftAxis.MinorTickCount(), 9);
    EXPECT_TRUE(chart->LeftAxis.Automatic());
    Draw();
    EXPECT_EQ(chart->LeftMap().Max, Reading(30));
}

TEST_F(LoggerChart, MenuTogglesSeriesAndMarkers) {
    AddReadings(20, 22, 30);
    hum->setChecked(false);
    chart->mnHumClick();
    EXPECT_FALSE(chart->Series2.LinePenVisible());
    EXPECT_FALSE(chart->Series2.PointerVisible());
    Draw();
    EXPECT_EQ(chart->LeftAxis.Maximum(), 30);  // a hidden series still counts

    dots->setChecked(true);
    chart->mnDotsClick();
    EXPECT_EQ(chart->Series1.HorizSize(), 2);
    EXPECT_EQ(chart->Series2.VertSize(), 2);
    EXPECT_TRUE(chart->Series1.PointerVisible());
    EXPECT_FALSE(chart->Series2.PointerVisible());  // hidden stays hidden
    EXPECT_FALSE(hum->isChecked());                 // the item is left as it is
    dots->setChecked(false);
    chart->mnDotsClick();
    EXPECT_EQ(chart->Series1.HorizSize(), 1);
    EXPECT_EQ(chart->Series2.HorizSize(), 1);

    hum->setChecked(true);
    chart->mnHumClick();
    EXPECT_TRUE(chart->Series2.LinePenVisible());
    EXPECT_TRUE(chart->Series2.PointerVisible());
    temp->setChecked(false);
    chart->mnTempClick();
    EXPECT_FALSE(chart->Series1.LinePenVisible());
}

TEST_F(LoggerChart, ZoomHoldsBothRangesUntilUndo) {
    AddReadings(10, 30);
    ShowChart();
    Drag({100, 100}, {300, 250});
    const double tMin = chart->BottomAxis.Minimum(), vMin = chart->LeftAxis.Minimum();
    EXPECT_FALSE(chart->LeftAxis.Automatic());
    EXPECT_GE(chart->LeftAxis.Maximum() - vMin, 2);
    chart->resize(700, 500);  // later draws keep the zoom
    chart->repaint();
    chart->resize(800, 600);
    chart->repaint();
    EXPECT_EQ(chart->BottomAxis.Minimum(), tMin);
    EXPECT_EQ(chart->LeftAxis.Minimum(), vMin);
    EXPECT_EQ(chart->LeftMap().Min, vMin);
    Drag({300, 250}, {100, 100});
    EXPECT_TRUE(chart->LeftAxis.Automatic());
    EXPECT_TRUE(chart->BottomAxis.Automatic());
    EXPECT_EQ(chart->LeftMap().Min, Reading(10));
}

TEST_F(LoggerChart, UndoWithNothingZoomedMakesTheValueAxisAutomatic) {
    AddReadings(10, 30);
    ShowChart();
    chart->LeftAxis.SetAutomatic(false);
    chart->BottomAxis.SetAutomatic(false);
    chart->UndoZoom();
    EXPECT_TRUE(chart->LeftAxis.Automatic());
    EXPECT_FALSE(chart->BottomAxis.Automatic());
}

TEST_F(LoggerChart, CtrlZoomNarrowsTheTimeAxisOnly) {
    AddReadings(10, 30);
    ShowChart();
    Drag({100, 100}, {300, 250}, Qt::ControlModifier);
    EXPECT_FALSE(chart->BottomAxis.Automatic());
    EXPECT_TRUE(chart->LeftAxis.Automatic());
    EXPECT_EQ(chart->LeftMap().Min, Reading(10));
    EXPECT_EQ(chart->LeftMap().Max, Reading(30));
}

TEST_F(LoggerChart, CtrlClickKeepsTheTimeRangeOfTheLastDraw) {
    AddReadings(10, 30);
    ShowChart();
    const double tMax = chart->BottomAxis.Maximum();
    QTest::mouseClick(chart.get(), Qt::LeftButton, {}, {200, 200});
    EXPECT_TRUE(chart->BottomAxis.Automatic());  // without Ctrl nothing happens
    QTest::mouseClick(chart.get(), Qt::LeftButton, Qt::ControlModifier, {200, 200});
    EXPECT_FALSE(chart->BottomAxis.Automatic());
    chart->Series1.AddXY(tMax + 1, 20);  // a later download
    chart->repaint();
    EXPECT_EQ(chart->BottomMap().Max, tMax);
}

TEST_F(LoggerChart, ChartZoomFromTheParseFollowsTheCtrlKey) {
    AddReadings(10, 30);
    chart->LeftAxis.SetAutomatic(false);
    chart->ChartZoom();
    EXPECT_FALSE(chart->LeftAxis.Automatic());
    keys = Qt::ControlModifier;
    chart->ChartZoom();
    EXPECT_TRUE(chart->LeftAxis.Automatic());
}

TEST_F(LoggerChart, WheelAndRightReleaseDoWhatTheyShould) {
    AddReadings(10, 30);
    popup.addAction("Zapisz");
    ShowChart();
    const double tMin = chart->BottomAxis.Minimum();
    QWheelEvent wheel(QPointF(200, 200), chart->mapToGlobal(QPointF(200, 200)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart.get(), &wheel);
    EXPECT_FALSE(wheel.isAccepted());
    EXPECT_EQ(chart->BottomAxis.Minimum(), tMin);
    EXPECT_TRUE(chart->BottomAxis.Automatic());
    QTest::mouseClick(chart.get(), Qt::RightButton, {}, {200, 200});
    EXPECT_TRUE(popup.isVisible());
    popup.hide();
}

class LoggerChartPrint : public LoggerChart {
  protected:
    // The dialog seam: a PDF printer in the temporary directory, or cancel.
    void UseDialog(bool confirm, const QString& file = "print.pdf") {
        chart->PrintDialog = [this, confirm, file](QWidget*) -> std::unique_ptr<QPrinter> {
            ++dialogs;
            if (!confirm) return nullptr;
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(dir.filePath(file));
            return printer;
        };
    }
    QTemporaryDir dir;
    int dialogs = 0;
};

TEST_F(LoggerChartPrint, PrintsThreeLineHeaderAndHidesTitleAndLegendAfter) {
    AddReadings(20, 23.5, 21);
    ShowChart();
    UseDialog(true);
    chart->Clock = [] { return EncodeDate(2017, 3, 5) + EncodeTime(14, 0, 0); };
    chart->SetDataFileName("/home/user/pomiary/data.log");
    bool titleShownWhileDrawing = false;
    chart->OnBeforeDrawAxes = [&] {
        titleShownWhileDrawing = chart->Title.Visible && chart->Legend.Visible;
        chart->ChartBeforeDrawAxes();
    };
    chart->Drukuj1Click();
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(titleShownWhileDrawing);
    EXPECT_EQ(chart->Title.Text, (QStringList{"", "Wydruk z dnia: 2017-03-05 14:00:00", "Dane: data.log"}));
    EXPECT_FALSE(chart->Title.Visible);
    EXPECT_FALSE(chart->Legend.Visible);
    QFile pdf(dir.filePath("print.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().contains("/Count 1"));
}

TEST_F(LoggerChartPrint, MidnightGivesTheDateAloneAndNoFileGivesTheLabelAlone) {
    UseDialog(true);
    chart->Clock = [] { return EncodeDate(2017, 3, 5) + EncodeTime(0, 0, 0, 400); };
    chart->Drukuj1Click();
    EXPECT_EQ(chart->Title.Text, (QStringList{"", "Wydruk z dnia: 2017-03-05", "Dane: "}));
}

TEST_F(LoggerChartPrint, CancelPrintsNothingAndFailureIsPassedOn) {
    UseDialog(false);
    chart->Drukuj1Click();
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("print.pdf")));
    EXPECT_FALSE(chart->Title.Visible);
    EXPECT_TRUE(chart->Title.Text.isEmpty());

    UseDialog(true, "no/such/dir/print.pdf");
    EXPECT_THROW(chart->Drukuj1Click(), EChartPrintError);
    EXPECT_FALSE(chart->Title.Visible);
    EXPECT_FALSE(chart->Legend.Visible);
}

TEST_F(LoggerChart, ClearChartEmptiesHidesAndMakesAxesAutomatic) {
    AddReadings(10, 30);
    ShowChart();
    chart->LeftAxis.SetAutomatic(false);
    chart->BottomAxis.SetAutomatic(false);
    chart->ClearChart();
    EXPECT_TRUE(chart->isHidden());
    EXPECT_EQ(chart->Series1.Count(), 0u);
    EXPECT_EQ(chart->Series2.Count(), 0u);
    EXPECT_TRUE(chart->LeftAxis.Automatic());
    EXPECT_TRUE(chart->BottomAxis.Automatic());
}

}  // namespace

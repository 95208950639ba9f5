#include "chart/logger_chart_picture.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <functional>

#include "base/logger_format.h"
#include "chart/logger_chart.h"
#include "chartengine/testing/test_application.h"

namespace {

const double kStart = EncodeDate(2017, 3, 5);  // midnight

// A day of readings: `count` of them evenly spaced, channel 1 a wave around 20 °C, channel 2 around 18.
void AddDay(const std::function<void(double, double, double)>& add, int count) {
    for (int i = 0; i < count; ++i) {
        const double f = static_cast<double>(i) / count;
        add(kStart + f, static_cast<float>(20 + 3 * std::sin(6.28 * f)),
            static_cast<float>(18 + 2 * std::cos(6.28 * f)));
    }
}

void AddDay(TLoggerChartPicture& picture, int count) {
    AddDay(
        [&](double x, double t1, double t2) {
            picture.Series1.AddXY(x, t1);
            picture.Series2.AddXY(x, t2);
        },
        count);
}

// The text of a PDF as pdftotext reads it.
QString PdfText(const QString& path) {
    QProcess p;
    p.start("pdftotext", {"-enc", "UTF-8", path, "-"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The lines of `pdfimages -list` after its two header lines: one per image in the PDF.
int PdfImageCount(const QString& path) {
    QProcess p;
    p.start("pdfimages", {"-list", path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return -1;
    return static_cast<int>(QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).size()) - 2;
}

// Paints the picture onto the top half of an A4 page and ends the PDF. The width painted on, in
// pixels of 96 dpi; 0 when the PDF could not be written.
int WritePdf(TLoggerChartPicture& picture, const QString& path) {
    QPdfWriter pdf(path);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter;
    if (!painter.begin(&pdf)) return 0;
    picture.Paint(painter, QRectF(0, 0, pdf.width(), pdf.height() / 2.0));
    if (!painter.end()) return 0;
    return static_cast<int>(std::lround(pdf.width() * 96.0 / pdf.resolution()));
}

class ChartPicture : public testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        ASSERT_TRUE(dir.isValid());
    }
    QTemporaryDir dir;
};

// The picture is the window's chart: same readings, same size, same pixels.
TEST_F(ChartPicture, PaintsWhatTheWindowDraws) {
    TLoggerChart window;
    window.resize(700, 450);
    window.SetLegendVisible(true);
    TLoggerChartPicture picture;
    // Narrow readings (the value axis shows a 2 °C window) and readings out of time order.
    for (int i = 59; i >= 0; --i) {
        const double x = kStart + EncodeTime(14, 0, 0) + i / 1440.0;
        const double t1 = static_cast<float>(21.2 + 0.01 * i), t2 = static_cast<float>(21.0 + 0.005 * i);
        for (TStepSeries* s : {&window.Series1, &picture.Series1}) s->AddXY(x, t1);
        for (TStepSeries* s : {&window.Series2, &picture.Series2}) s->AddXY(x, t2);
    }
    QImage drawn(700, 450, QImage::Format_ARGB32_Premultiplied), painted = drawn;
    {
        QPainter p(&drawn);
        window.Draw(p, window.rect());
    }
    {
        QPainter p(&painted);
        picture.Paint(p, QRectF(0, 0, 700, 450));  // a QImage has 96 dpi: its own pixels
    }
    EXPECT_EQ(picture.Canvas().LeftLabels(), window.LeftLabels());
    EXPECT_EQ(picture.Canvas().BottomLabels(), window.BottomLabels());
    EXPECT_TRUE(painted == drawn);

    // The series colours where the readings lie.
    const auto& x = picture.Canvas().BottomMap();
    const auto& y = picture.Canvas().LeftMap();
    const double at = kStart + EncodeTime(14, 30, 30);
    auto pixel = [&](double v) {
        return painted.pixelColor(chartscale::PixelOf(x.ToPixel(at)), chartscale::PixelOf(y.ToPixel(v)));
    };
    EXPECT_EQ(pixel(static_cast<float>(21.2 + 0.01 * 30)), QColor(220, 0, 100));
    EXPECT_EQ(pixel(static_cast<float>(21.0 + 0.005 * 30)), QColor(128, 128, 192));
}

// An alarm profile's limits are red lines and its excursions light bands; the value axis still follows
// the readings, so a limit beyond them is not drawn.
TEST_F(ChartPicture, LimitsAsLinesAndExcursionsAsBandsKeepTheValueAxis) {
    TLoggerChartPicture picture;
    AddDay(picture, 288);
    const auto paint = [&] {
        QImage image(700, 450, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&image);
        picture.Paint(p, QRectF(0, 0, 700, 450));
        return image;
    };
    paint();
    const std::vector<double> labels = picture.Canvas().LeftLabels();
    picture.Plot().ShowLimits({22.5, 40.0}, {{kStart + 0.5, kStart + 0.6}});
    const QImage image = paint();
    EXPECT_EQ(labels, picture.Canvas().LeftLabels());

    const auto& x = picture.Canvas().BottomMap();
    const auto& y = picture.Canvas().LeftMap();
    const QRect plot = picture.Canvas().PlotRect();
    const QColor red(220, 0, 0), band(255, 224, 224);
    int onLine = 0, redElsewhere = 0, inBand = 0, bandElsewhere = 0;
    const int lineY = chartscale::PixelOf(y.ToPixel(22.5));
    const int bandFrom = chartscale::PixelOf(x.ToPixel(kStart + 0.5));
    const int bandTo = chartscale::PixelOf(x.ToPixel(kStart + 0.6));
    for (int py = 0; py < image.height(); ++py)
        for (int px = 0; px < image.width(); ++px) {
            const QColor c = image.pixelColor(px, py);
            (py == lineY ? onLine : redElsewhere) += c == red;
            (px >= bandFrom && px <= bandTo && plot.contains(px, py) ? inBand : bandElsewhere) += c == band;
        }
    EXPECT_GT(onLine, plot.width() * 8 / 10);
    EXPECT_EQ(0, redElsewhere);
    EXPECT_GT(inBand, (bandTo - bandFrom - 1) * plot.height() / 2);
    EXPECT_EQ(0, bandElsewhere);

    picture.Plot().ShowLimits({}, {});
    const QImage cleared = paint();
    EXPECT_NE(red, cleared.pixelColor(plot.left() + 5, lineY));
}

// On a PDF page the chart keeps the screen's text size (laid out at 96 dpi of the page), its labels and
// legend are text, and a time range shows only its own times.
TEST_F(ChartPicture, PdfPageCarriesTheLabelsAndLegendAsTextForTheChosenRange) {
    TLoggerChartPicture picture;
    AddDay(picture, 1440);
    picture.SetTimeRange(kStart + EncodeTime(14, 0, 0), kStart + EncodeTime(15, 0, 0));
    const QString path = dir.filePath("chart.pdf");
    const int width = WritePdf(picture, path);
    ASSERT_GT(width, 600);
    // Laid out at the page's width in screen pixels: inside the last one the bevel and the padding.
    EXPECT_EQ(picture.Canvas().Layout().Inner.right(), width - 1 - 1 - kPlotPad);

    const QString text = PdfText(path);
    EXPECT_TRUE(text.contains("Temperatura_1")) << text.toStdString();
    EXPECT_TRUE(text.contains("Temperatura_2"));
    EXPECT_TRUE(text.contains("°C"));
    EXPECT_TRUE(text.contains("20.0") || text.contains("20,0"));
    QStringList times;
    for (const auto& m : QRegularExpression(R"(\d\d\.\d\d\.\d\d \d\d:\d\d)").globalMatch(text)) times << m.captured();
    ASSERT_GE(times.size(), 3) << text.toStdString();
    for (const QString& t : times) {
        EXPECT_GE(t, "05.03.17 14:00");
        EXPECT_LE(t, "05.03.17 15:00");
    }
    EXPECT_TRUE(times.contains("05.03.17 14:00"));
}

// The series are vector drawing of the reduced columns: no image in the file, and a file of half a
// million readings a day is about as small as one of a reading a minute.
TEST_F(ChartPicture, PdfStaysVectorAndSmallForManyReadings) {
    TLoggerChartPicture few, many;
    AddDay(few, 1440);
    AddDay(many, 500000);
    const QString fewPath = dir.filePath("few.pdf"), manyPath = dir.filePath("many.pdf");
    ASSERT_GT(WritePdf(few, fewPath), 0);
    ASSERT_GT(WritePdf(many, manyPath), 0);
    EXPECT_EQ(PdfImageCount(manyPath), 0);
    const qint64 fewSize = QFileInfo(fewPath).size(), manySize = QFileInfo(manyPath).size();
    EXPECT_LT(manySize, 200 * 1024);
    EXPECT_LT(manySize, fewSize * 3 / 2) << fewSize << " " << manySize;
}

// A program linking only the Gui libraries paints the chart into a PDF with no display at all.
TEST_F(ChartPicture, PaintsWithoutDisplayOrWidgets) {
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    probe.setProcessEnvironment(env);
    const QString path = dir.filePath("probe.pdf");
    probe.start(LORV304D_CHART_PDF_PROBE, {path});
    ASSERT_TRUE(probe.waitForFinished(60000));
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
    EXPECT_EQ(probe.readAllStandardOutput(), "platform offscreen\nwidgets not loaded\n");
    EXPECT_TRUE(PdfText(path).contains("Temperatura_2"));
}

}  // namespace

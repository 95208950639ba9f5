#include "chart/logger_plot.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPalette>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// Colour numbers of the settings are 0xBBGGRR.
std::uint32_t BgrToRgb(std::uint32_t bgr) { return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF); }

QFont PixelFont(const QString& family, int px, QFont::StyleHint hint) {
    QFont f(family);
    f.setStyleHint(hint);
    f.setPixelSize(px);
    return f;
}

// The time separator of the user's regional settings: the first character after the hours of the
// short time format.
QChar RegionalTimeSeparator() {
    const QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
    int i = 0;
    while (i < format.size() && format[i] != u'h' && format[i] != u'H') ++i;
    while (i < format.size() && (format[i] == u'h' || format[i] == u'H')) ++i;
    return i < format.size() && !format[i].isLetter() && !format[i].isSpace() ? format[i] : QChar(u':');
}

QString RegionalDecimalPoint() {
    const QString p = QLocale::system().decimalPoint();
    return p.isEmpty() ? QStringLiteral(".") : p;
}

// "dd.MM.yy hh:mm". The fraction of the day is rounded to milliseconds before the minutes are cut, so
// 01:00 held as 0.041666666664 is not shown as 00:59.
std::string TimeLabel(double day, QChar timeSep) {
    double whole = std::floor(day);
    long long ms = std::llround((day - whole) * 86400000.0);
    if (ms >= 86400000) {
        whole += 1;
        ms -= 86400000;
    }
    const chartscale::TCivilDate c = chartscale::DayToCivil(static_cast<long long>(whole));
    const int minutes = static_cast<int>(ms / 60000);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%02d %02d%s%02d", c.Day, c.Month, ((c.Year % 100) + 100) % 100,
                  minutes / 60, QString(timeSep).toStdString().c_str(), minutes % 60);
    return buf;
}

// "#00.0": at least two integer digits, one decimal, the regional decimal separator.
std::string ValueLabel(double value, const QString& decimalPoint) {
    char buf[64];
    double rounded = std::round(value * 10) / 10;
    if (rounded == 0) rounded = 0;  // no "-00.0"
    std::snprintf(buf, sizeof buf, "%s%04.1f", rounded < 0 ? "-" : "", std::fabs(rounded));
    std::string text = buf;
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos) text.replace(dot, 1, decimalPoint.toStdString());
    return text;
}

}  // namespace

TLoggerPlot::TLoggerPlot(TPlotCanvas& canvas)
    : Series1(canvas.AddSeries()), Series2(canvas.AddSeries()), FCanvas(canvas) {
    const QString sans = QStringLiteral("Microsoft Sans Serif");
    canvas.BackColor = QGuiApplication::palette().color(QPalette::Button);
    canvas.WallPenColor = Qt::black;
    canvas.BevelSunken = true;

    TPlotTitle& title = canvas.Title;
    title.Visible = false;
    title.Font = PixelFont(sans, 15, QFont::SansSerif);
    title.Color = QColor(0, 0, 128);
    TPlotLegend& legend = canvas.Legend;
    legend.Visible = false;
    legend.Font = PixelFont(sans, 15, QFont::SansSerif);
    legend.Color = Qt::black;
    legend.Background = QColor(221, 221, 221);

    const QChar timeSep = RegionalTimeSeparator();
    TAxis& bottom = canvas.BottomAxis;
    bottom.SetDateTime(true);
    bottom.LabelText = [timeSep](double v) { return TimeLabel(v, timeSep); };
    bottom.LabelsAngle = 90;
    bottom.LabelsFont = PixelFont(sans, 15, QFont::SansSerif);
    bottom.LabelsColor = Qt::black;
    bottom.AxisLineWidth = 1;
    bottom.GridVisible = true;
    bottom.GridColor = QColor(170, 170, 170);

    const QString decimalPoint = RegionalDecimalPoint();
    TAxis& left = canvas.LeftAxis;
    left.LabelText = [decimalPoint](double v) { return ValueLabel(v, decimalPoint); };
    left.LabelsFont = PixelFont(QStringLiteral("Cousine"), 15, QFont::Monospace);
    left.LabelsColor = QColor(128, 0, 0);
    left.Title = QStringLiteral("°C");
    left.TitleFont = PixelFont(sans, 15, QFont::SansSerif);
    left.TitleColor = Qt::black;
    left.AxisLineWidth = 1;
    left.GridVisible = true;
    left.GridColor = QColor(199, 199, 199);
    left.SetStartPosition(2);
    left.SetEndPosition(98);

    Series1.SetTitle("Temperatura_1");
    Series1.SetColor(BgrToRgb(6553820));
    Series2.SetTitle("Temperatura_2");
    Series2.SetColor(BgrToRgb(12615808));
    for (TStepSeries* s : {&Series1, &Series2}) {
        s->SetStairs(true);
        s->SetLineWidth(2);
        s->SetLinePenVisible(true);
        s->SetPointerVisible(true);
    }
    Series1.SetHorizSize(1);
    Series1.SetVertSize(1);
    Series2.SetHorizSize(2);
    Series2.SetVertSize(2);

    canvas.OnBeforeDrawAxes = [this] { ChartBeforeDrawAxes(); };
}

void TLoggerPlot::ShowLimits(const std::vector<double>& limits,
                             const std::vector<std::pair<double, double>>& excursions) {
    std::vector<TPlotMarkerLine> lines;
    for (const double limit : limits) lines.push_back({limit, QColor(220, 0, 0), 1});
    std::vector<TPlotBand> bands;
    for (const auto& [from, to] : excursions) bands.push_back({from, to, QColor(255, 224, 224)});
    FCanvas.SetMarkerLines(std::move(lines));
    FCanvas.SetBands(std::move(bands));
}

void TLoggerPlot::ChartBeforeDrawAxes() {
    ScaleTimeAxis();
    ScaleValueAxis();
}

void TLoggerPlot::ScaleTimeAxis() {
    FCanvas.BottomAxis.SetIncrement(1.0 / 1440);
    FCanvas.BottomAxis.SetMinorTickCount(0);
}

void TLoggerPlot::ScaleValueAxis() {
    TPlotAxis& axis = FCanvas.LeftAxis;
    const double min = axis.Minimum(), max = axis.Maximum();
    const float span = static_cast<float>(max - min);
    const bool chosen = !axis.Automatic() && !FCanvas.ZoomRestored();
    if (span >= 2) {
        axis.SetIncrement(1);
        axis.SetMinorTickCount(9);
        if (!chosen) axis.SetAutomatic(true);
        return;
    }
    axis.SetIncrement(0.1);
    axis.SetMinorTickCount(0);
    if (chosen) return;
    // Shown now rather than from the next draw, so that every draw gives the same picture.
    const double middle = (min + max) / 2;
    axis.SetDrawRange(middle - 1, middle + 1);
    axis.SetAutomatic(true);
}

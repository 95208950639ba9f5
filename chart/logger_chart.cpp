#include "chart/logger_chart.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QPalette>
#include <QPrintDialog>
#include <QPrinter>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "base/logger_format.h"

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

std::unique_ptr<QPrinter> SystemPrintDialog(QWidget* parent) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), parent);
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    return printer;
}

}  // namespace

TLoggerChart::TLoggerChart(QWidget* parent, QAction* mnDots, QAction* mnTemp, QAction* mnHum, QMenu* popupMenu)
    : TPlot(parent), Series1(AddSeries()), Series2(AddSeries()), FDots(mnDots), FTemp(mnTemp), FHum(mnHum) {
    setObjectName(QStringLiteral("Chart"));
    PopupMenu = popupMenu;
    PrintDialog = SystemPrintDialog;
    Clock = [] { return Now(); };
    KeyboardState = [] { return QGuiApplication::queryKeyboardModifiers(); };

    const QString sans = QStringLiteral("Microsoft Sans Serif");
    BackColor = palette().color(QPalette::Button);
    WallPenColor = Qt::black;
    BevelSunken = true;

    Title.Visible = false;
    Title.Font = PixelFont(sans, 15, QFont::SansSerif);
    Title.Color = QColor(0, 0, 128);
    Legend.Visible = false;
    Legend.Font = PixelFont(sans, 15, QFont::SansSerif);
    Legend.Color = Qt::black;
    Legend.Background = QColor(221, 221, 221);

    const QChar timeSep = RegionalTimeSeparator();
    BottomAxis.SetDateTime(true);
    BottomAxis.LabelText = [timeSep](double v) { return TimeLabel(v, timeSep); };
    BottomAxis.LabelsAngle = 90;
    BottomAxis.LabelsFont = PixelFont(sans, 15, QFont::SansSerif);
    BottomAxis.LabelsColor = Qt::black;
    BottomAxis.AxisLineWidth = 1;
    BottomAxis.GridVisible = true;
    BottomAxis.GridColor = QColor(170, 170, 170);

    const QString decimalPoint = RegionalDecimalPoint();
    LeftAxis.LabelText = [decimalPoint](double v) { return ValueLabel(v, decimalPoint); };
    LeftAxis.LabelsFont = PixelFont(QStringLiteral("Cousine"), 15, QFont::Monospace);
    LeftAxis.LabelsColor = QColor(128, 0, 0);
    LeftAxis.Title = QStringLiteral("°C");
    LeftAxis.TitleFont = PixelFont(sans, 15, QFont::SansSerif);
    LeftAxis.TitleColor = Qt::black;
    LeftAxis.AxisLineWidth = 1;
    LeftAxis.GridVisible = true;
    LeftAxis.GridColor = QColor(199, 199, 199);
    LeftAxis.SetStartPosition(2);
    LeftAxis.SetEndPosition(98);

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

    OnBeforeDrawAxes = [this] { ChartBeforeDrawAxes(); };
    OnZoom = [this] { ChartZoom(); };
    OnUndoZoom = [this] { ChartUndoZoom(); };
    OnClick = [this] { ChartClick(); };
    OnMouseWheel = [this](Qt::KeyboardModifiers shift, int delta, QPoint pos, bool& handled) {
        ChartMouseWheel(shift, delta, pos, handled);
    };
    hide();
}

void TLoggerChart::SetMenuItems(QAction* mnDots, QAction* mnTemp, QAction* mnHum) {
    FDots = mnDots;
    FTemp = mnTemp;
    FHum = mnHum;
}

bool TLoggerChart::Checked(const QPointer<QAction>& item, bool whenMissing) const {
    return item ? item->isChecked() : whenMissing;
}

bool TLoggerChart::CtrlDown() const {
    const Qt::KeyboardModifiers mods =
        EventModifiers() ? *EventModifiers() : (KeyboardState ? KeyboardState() : Qt::NoModifier);
    return mods.testFlag(Qt::ControlModifier);
}

void TLoggerChart::ChartBeforeDrawAxes() {
    ScaleTimeAxis();
    ScaleValueAxis();
}

void TLoggerChart::ScaleTimeAxis() {
    BottomAxis.SetIncrement(1.0 / 1440);
    BottomAxis.SetMinorTickCount(0);
}

void TLoggerChart::ScaleValueAxis() {
    TPlotAxis& axis = LeftAxis;
    const double min = axis.Minimum(), max = axis.Maximum();
    const float span = static_cast<float>(max - min);
    const bool chosen = !axis.Automatic() && !ZoomRestored();
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

void TLoggerChart::RefreshMarkers() {
    const int half = Checked(FDots, false) ? 2 : 1;
    for (TStepSeries* s : {&Series1, &Series2}) {
        s->SetHorizSize(half);
        s->SetVertSize(half);
    }
    Series1.SetPointerVisible(Checked(FTemp, true));
    Series2.SetPointerVisible(Checked(FHum, true));
}

void TLoggerChart::mnDotsClick() { RefreshMarkers(); }

void TLoggerChart::mnTempClick() {
    const bool shown = Checked(FTemp, true);
    Series1.SetLinePenVisible(shown);
    Series1.SetPointerVisible(shown);
}

void TLoggerChart::mnHumClick() {
    const bool shown = Checked(FHum, true);
    Series2.SetLinePenVisible(shown);
    Series2.SetPointerVisible(shown);
}

void TLoggerChart::ChartZoom() {
    if (CtrlDown()) LeftAxis.SetAutomatic(true);
}

void TLoggerChart::ChartUndoZoom() {
    LeftAxis.SetAutomaticMaximum(true);
    LeftAxis.SetAutomaticMinimum(true);
}

void TLoggerChart::ChartClick() {
    if (CtrlDown()) BottomAxis.SetAutomatic(false);
}

void TLoggerChart::ChartMouseWheel(Qt::KeyboardModifiers, int, QPoint, bool&) {}

void TLoggerChart::SetDataFileName(const QString& path) {
    FDataFileName = path.isEmpty() ? QString() : QFileInfo(path).fileName();
}

void TLoggerChart::Drukuj1Click() {
    struct THideAfter {
        TLoggerChart* chart;
        ~THideAfter() {
            chart->SetTitleVisible(false);
            chart->SetLegendVisible(false);
        }
    } hideAfter{this};
    std::unique_ptr<QPrinter> printer = PrintDialog ? PrintDialog(this) : nullptr;
    if (!printer) return;
    const std::string printed = LoggerFormat().DateTimeToText(Clock ? Clock() : Now());
    SetTitleText({QString(), QStringLiteral("Wydruk z dnia: ") + QString::fromStdString(printed),
                  QStringLiteral("Dane: ") + FDataFileName});
    SetTitleVisible(true);
    SetLegendVisible(true);
    PrintPage(*printer);
}

void TLoggerChart::ClearChart() {
    Series1.Clear();
    Series2.Clear();
    hide();
    LeftAxis.SetAutomatic(true);
    BottomAxis.SetAutomatic(true);
}

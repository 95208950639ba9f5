#include "chart/logger_chart.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QPrintDialog>
#include <QPrinter>

#include "base/logger_format.h"

namespace {

std::unique_ptr<QPrinter> SystemPrintDialog(QWidget* parent) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), parent);
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    return printer;
}

}  // namespace

TLoggerChart::TLoggerChart(QWidget* parent, QAction* mnDots, QAction* mnTemp, QAction* mnHum, QMenu* popupMenu)
    : TPlot(parent),
      FPlot(*this),
      Series1(FPlot.Series1),
      Series2(FPlot.Series2),
      FDots(mnDots),
      FTemp(mnTemp),
      FHum(mnHum) {
    setObjectName(QStringLiteral("Chart"));
    PopupMenu = popupMenu;
    PrintDialog = SystemPrintDialog;
    Clock = [] { return Now(); };
    KeyboardState = [] { return QGuiApplication::queryKeyboardModifiers(); };
    // The background of the panel the chart fills.
    BackColor = palette().color(QPalette::Button);

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

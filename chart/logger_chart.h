#pragma once
// TLoggerChart: the program's chart of the two temperature channels in the window: TLoggerPlot (the
// configuration and the axis rules) on a TPlot, with the menu operations, gesture handlers and the
// print with its header.
//
// Embedding: `Chart = new TLoggerChart(ChartPane, mnDots, mnTemp, mnHum, PopupMenu2);` then put it in
// the pane's layout. The chart starts hidden, both axes automatic, both series empty. The three menu
// items are read (isChecked) whenever an operation needs them; a null item counts as its start state
// ("Punkty" clear, the two series ticked). The items are not owned and may be set later.
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "chart/logger_plot.h"
#include "chartengine/plot.h"

class QAction;
class QMenu;
class QPrinter;

class TLoggerChart : public TPlot {
    TLoggerPlot FPlot;  // first: Series1 and Series2 refer into it

  public:
    TLoggerChart(QWidget* parent = nullptr, QAction* mnDots = nullptr, QAction* mnTemp = nullptr,
                 QAction* mnHum = nullptr, QMenu* popupMenu = nullptr);

    TStepSeries& Series1;  // "Temperatura_1", channel 1
    TStepSeries& Series2;  // "Temperatura_2", channel 2, drawn over Series1

    void SetMenuItems(QAction* mnDots, QAction* mnTemp, QAction* mnHum);

    // The program's chart on it: ShowLimits (or ShowProfileLimits) draws an alarm profile's limits
    // and excursions.
    TLoggerPlot& Plot() { return FPlot; }

    // The axis rules of TLoggerPlot: the before-axes hook of every draw runs ChartBeforeDrawAxes.
    void ChartBeforeDrawAxes() { FPlot.ChartBeforeDrawAxes(); }
    void ScaleTimeAxis() { FPlot.ScaleTimeAxis(); }
    void ScaleValueAxis() { FPlot.ScaleValueAxis(); }
    // Marker half-size 2 with "Punkty" ticked, else 1, on both series; the markers of each series shown
    // as its menu item is ticked. The lines and the menu items are left as they are.
    void RefreshMarkers();
    // Menu "Wykres" handlers; the item has already toggled its check mark.
    void mnDotsClick();
    void mnTempClick();  // line and markers of Series1 follow "Temperatura_1"
    void mnHumClick();   // line and markers of Series2 follow "Temperatura_2"
    // Gesture handlers. ChartZoom is also called by the parse of the reading lines.
    void ChartZoom();      // with Ctrl held: the value axis scales automatically again
    void ChartUndoZoom();  // the value axis scales automatically again
    void ChartClick();     // with Ctrl held: the time axis stops scaling automatically
    void ChartMouseWheel(Qt::KeyboardModifiers Shift, int WheelDelta, QPoint MousePos, bool& Handled);  // nothing

    // "Drukuj": asks for the printer; if one is chosen, writes the three-line header into the title and
    // prints the chart with title and legend on one page. Title and legend are hidden again in every
    // case. A print failure (EChartPrintError, or what the draw raised) is passed on to the caller after
    // that; a cancelled dialog prints nothing.
    void Drukuj1Click();
    // The header's line 3 names the last data file loaded or saved: pass its path or name here
    // ("data.log" after a download); the directory is dropped. Empty: the label alone.
    void SetDataFileName(const QString& path);
    QString DataFileName() const { return FDataFileName; }

    // Empties both series, hides the chart and makes both axes automatic (value axis first).
    void ClearChart();

    // Test seams. PrintDialog shows the system print dialog and returns the chosen printer, or null when
    // cancelled; the dialog lives only for this call. Clock gives the print time as a day count.
    // KeyboardState gives the modifiers outside mouse events (inside them the event's own are used).
    std::function<std::unique_ptr<QPrinter>(QWidget* parent)> PrintDialog;
    std::function<double()> Clock;
    std::function<Qt::KeyboardModifiers()> KeyboardState;

  private:
    bool CtrlDown() const;
    bool Checked(const QPointer<QAction>& item, bool whenMissing) const;

    QPointer<QAction> FDots, FTemp, FHum;
    QString FDataFileName;
};

#pragma once
// TPlot: a chart panel painted with QPainter. A title and a legend, four axes (only those carrying a
// series are drawn), stair-line series with square markers, zoom / undo / scroll gestures with the
// mouse, and a one-page print.
//
// A draw: (1) every axis fixes its range (automatic ends from the active series on it, hidden ones too;
// no points: 0 to 0); (2) OnBeforeDrawAxes runs; (3) the axes are drawn with the step and minor ticks
// as the hook left them; (4) the series. A range or flag changed in the hook applies from the next
// draw; changes made in the hook do not start another draw. Any change made outside a draw redraws.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QMenu>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "chartengine/axis.h"
#include "chartengine/step_series.h"
#include "chartengine/plot_layout.h"
#include "chartengine/scale_math.h"
#include "chartengine/series_columns.h"
#include "chartengine/zoom_state.h"

class QPainter;
class QPrinter;

// Raised by TPlot::PrintPage when the print job cannot be started or completed.
class EChartPrintError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct TPlotTitle {
    QStringList Text;
    bool Visible = true;
    QFont Font;
    QColor Color = QColor(0, 0, 128);
};

// The legend lies over the top of the plot without shrinking it: one entry per series.
struct TPlotLegend {
    bool Visible = true;
    QFont Font;
    QColor Color = Qt::black;
    QColor Background = QColor(221, 221, 221);
};

class TPlot : public QWidget {
  public:
    explicit TPlot(QWidget* parent = nullptr);
    ~TPlot() override;

    TAxis LeftAxis, BottomAxis, RightAxis, TopAxis;

    // Series are owned by the chart and drawn in the order added (later ones on top). Every series is
    // placed on BottomAxis (X) and LeftAxis (Y).
    TStepSeries& AddSeries();
    std::size_t SeriesCount() const { return FSeries.size(); }
    TStepSeries& Series(std::size_t index) { return *FSeries.at(index); }

    // Title and legend: change them through the setters, or change the fields and call Invalidate().
    TPlotTitle Title;
    TPlotLegend Legend;
    void SetTitleText(const QStringList& lines);
    void SetTitleVisible(bool on);
    void SetLegendVisible(bool on);

    QColor BackColor = QColor(240, 240, 240);  // panel background
    QColor WallPenColor = Qt::black;           // outline of the plot frame
    bool BevelSunken = true;                   // 1-pixel sunken bevel around the panel

    // Hooks. OnClick runs when the left button is released inside the chart after a press inside it,
    // before the zoom gesture ends. OnZoom runs once after a zoom has set the axes; OnUndoZoom after an
    // undo has restored them, before the redraw. OnMouseWheel gets the modifiers, the wheel movement
    // (120 per notch), the position and `handled` (false on entry); unhandled wheel input goes to the
    // parent widget.
    std::function<void()> OnBeforeDrawAxes, OnZoom, OnUndoZoom, OnClick;
    std::function<void(Qt::KeyboardModifiers, int, QPoint, bool&)> OnMouseWheel;
    // Context menu, opened when the right button is released inside the chart (not owned). The widget's
    // own context-menu event is switched off (it would come on the press, in the middle of a scroll).
    QMenu* PopupMenu = nullptr;
    // The modifiers of the mouse or wheel event being handled, while a hook runs from one.
    std::optional<Qt::KeyboardModifiers> EventModifiers() const { return FEventModifiers; }

    // Redraws (a no-op while a draw runs).
    void Invalidate();
    // One full draw of the chart into `area` of any painter (screen, image, printer).
    void Draw(QPainter& painter, const QRect& area);
    // Prints the chart as one job named "Chart" with one page: the full draw at the on-screen size,
    // scaled into the proportional-margin rectangle of the page. On failure the job is aborted and
    // EChartPrintError (or the hook's exception) is passed on.
    void PrintPage(QPrinter& printer);

    // Gestures, also callable directly. ZoomRect: pixel rectangle of the last draw.
    void ZoomRect(const QRect& rect);
    void UndoZoom();
    bool ZoomRestored() const { return FZoom.Restored(); }

    // Geometry of the last draw (widget pixels).
    const TPlotLayout& Layout() const { return FLayout; }
    QRect PlotRect() const { return FLayout.Plot; }
    const chartscale::TAxisMap& BottomMap() const { return FLayout.BottomMap; }
    const chartscale::TAxisMap& LeftMap() const { return FLayout.LeftMap; }
    // Label values and the drawn steps of the last draw.
    const std::vector<double>& BottomLabels() const { return FLayout.Bottom.Labels; }
    const std::vector<double>& LeftLabels() const { return FLayout.Left.Labels; }
    const std::vector<double>& LeftMinorTicks() const { return FLayout.Left.Minor; }
    double BottomStep() const { return FLayout.Bottom.Step; }
    double LeftStep() const { return FLayout.Left.Step; }
    // Number of full draws so far.
    int DrawCount() const { return FDrawCount; }
    bool ZoomGestureActive() const { return FZoomActive; }
    bool ScrollGestureActive() const { return FScrollActive; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    TPlotAxes Axes();
    // Fixes the draw range of every axis (automatic ends from the active series).
    void FixRanges();
    TPlotLayoutInput LayoutInput(const QRect& area) const;
    // The painting of a draw, from FLayout.
    void PaintPanel(QPainter& painter, const QRect& area);
    void PaintAxes(QPainter& painter);
    void PaintSeries(QPainter& painter);
    void PaintLegend(QPainter& painter);
    bool AxisUsed(const TPlotAxis& axis) const;
    bool CanStartGesture(QPoint pos) const;
    int MarkerMargin() const;
    void ScrollTo(QPoint pos);

    std::vector<std::unique_ptr<TStepSeries>> FSeries;
    TZoomState FZoom;
    bool FDrawing = false;
    bool FDirty = true;
    QImage FCache;
    int FDrawCount = 0;

    TPlotLayout FLayout;  // of the last draw

    // Gestures.
    bool FZoomActive = false, FScrollActive = false, FLeftPressedInside = false;
    QPoint FZoomStart, FZoomCurrent, FScrollLast;
    std::optional<Qt::KeyboardModifiers> FEventModifiers;
};

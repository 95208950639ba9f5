#pragma once
// TPlotCanvas: a chart that paints itself with QPainter on any paint device (an image, a printer, a
// PDF page, a widget's picture), with no window. A title and a legend, four axes (only those carrying
// a series are drawn), stair-line series with square markers, and the zoom, undo and scroll of the
// axis ranges in the pixels of the last draw. Needs Qt Gui only; TPlot shows a canvas in a widget and
// adds the mouse gestures and the page print, and every picture of the chart comes from Draw.
//
// A draw: (1) every axis fixes its range (automatic ends from the active series on it, hidden ones too;
// no points: 0 to 0); (2) OnBeforeDrawAxes runs; (3) the axes are drawn with the step and minor ticks
// as the hook left them; (4) the series. A range or flag changed in the hook applies from the next
// draw; changes made in the hook do not start another draw. Any change made outside a draw calls
// Changed() (a widget redraws).
#include <QColor>
#include <QFont>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "chartengine/axis.h"
#include "chartengine/plot_layout.h"
#include "chartengine/scale_math.h"
#include "chartengine/step_series.h"
#include "chartengine/zoom_state.h"

class QPainter;

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

// A horizontal line across the plot at a value of the left axis, over the grid and under the series.
// It does not widen the axis: a value outside the drawn range is not drawn.
struct TPlotMarkerLine {
    double Value = 0;
    QColor Color = Qt::red;
    int Width = 1;
};

// A band shading the plot's full height between two values of the bottom axis, under the grid and the
// series; the part outside the drawn range is cut off.
struct TPlotBand {
    double From = 0, To = 0;
    QColor Color = QColor(255, 224, 224);
};

class TPlotCanvas {
  public:
    // Needs a QGuiApplication (the default fonts come from it): 12-pixel labels, title and legend.
    TPlotCanvas();
    virtual ~TPlotCanvas();
    TPlotCanvas(const TPlotCanvas&) = delete;
    TPlotCanvas& operator=(const TPlotCanvas&) = delete;

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

    // Marker lines and bands, drawn in the order given; each setter reports a change.
    void SetMarkerLines(std::vector<TPlotMarkerLine> lines);
    void SetBands(std::vector<TPlotBand> bands);
    const std::vector<TPlotMarkerLine>& MarkerLines() const { return FMarkerLines; }
    const std::vector<TPlotBand>& Bands() const { return FBands; }

    QColor BackColor = QColor(240, 240, 240);  // panel background
    QColor WallPenColor = Qt::black;           // outline of the plot frame
    bool BevelSunken = true;                   // 1-pixel sunken bevel around the panel

    // Hooks. OnBeforeDrawAxes: step (2) of every draw. OnZoom runs once after a zoom has set the axes;
    // OnUndoZoom after an undo has restored them, before the redraw.
    std::function<void()> OnBeforeDrawAxes, OnZoom, OnUndoZoom;

    // Reports a change made outside a draw through Changed() (a no-op while a draw runs).
    void Invalidate();
    bool Drawing() const { return FDrawing; }

    // One full draw of the chart into `area` of the painter, in the painter's coordinates.
    void Draw(QPainter& painter, const QRect& area);
    // The full draw laid out at `size` pixels, scaled onto `target` of the painter's coordinates: a
    // page gets the picture a screen of that size shows. The painter's state is kept; an empty size
    // counts as 1 x 1.
    void DrawScaled(QPainter& painter, const QRectF& target, const QSize& size);

    // The axis ranges in the pixels of the last draw. ZoomRect: the rectangle's range becomes the
    // range of all four axes. UndoZoom: the scales before the first zoom or scroll step come back.
    // ScrollBy: the ranges move so that the data follow a pointer moved from `from` to `to`.
    void ZoomRect(const QRect& rect);
    void UndoZoom();
    void ScrollBy(QPoint from, QPoint to);
    bool ZoomRestored() const { return FZoom.Restored(); }

    // Geometry of the last draw (pixels of its area).
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

  protected:
    // A change was made outside a draw. Nothing here; a widget schedules its redraw.
    virtual void Changed() {}

  private:
    TPlotAxes Axes();
    // Fixes the draw range of every axis (automatic ends from the active series).
    void FixRanges();
    TPlotLayoutInput LayoutInput(const QRect& area) const;
    // The painting of a draw, from FLayout.
    void PaintPanel(QPainter& painter, const QRect& area);
    void PaintAxes(QPainter& painter);
    void PaintBands(QPainter& painter);
    void PaintMarkerLines(QPainter& painter);
    void PaintSeries(QPainter& painter);
    void PaintLegend(QPainter& painter);
    bool AxisUsed(const TPlotAxis& axis) const;
    int MarkerMargin() const;

    std::vector<std::unique_ptr<TStepSeries>> FSeries;
    std::vector<TPlotMarkerLine> FMarkerLines;
    std::vector<TPlotBand> FBands;
    TZoomState FZoom;
    bool FDrawing = false;
    int FDrawCount = 0;
    TPlotLayout FLayout;  // of the last draw
};

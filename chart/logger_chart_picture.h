#pragma once
// TLoggerChartPicture: the program's chart of a set of readings, painted onto any painter (a PDF page,
// a printer, an image) as the window draws it, with no widget and no display (Qt Gui only). Fill the
// two series as the window's parse does (AddXY, ascending or not), choose the time range, paint.
#include <QRectF>
#include <QSize>

#include "chart/logger_plot.h"
#include "chartengine/plot_canvas.h"

class QPainter;

class TLoggerChartPicture {
    TPlotCanvas FCanvas;  // first: the members below refer into it
    TLoggerPlot FPlot;

  public:
    // The window's chart with its legend shown; title hidden, both axes automatic. Needs a
    // QGuiApplication.
    TLoggerChartPicture();

    TStepSeries& Series1;  // "Temperatura_1", channel 1: X a day count, Y in °C
    TStepSeries& Series2;  // "Temperatura_2", channel 2
    // The canvas itself, for what a picture may change beyond the window's look (title lines, say).
    TPlotCanvas& Canvas() { return FCanvas; }
    // The program's chart on it: ShowLimits draws an alarm profile's limits and excursions.
    TLoggerPlot& Plot() { return FPlot; }

    // Shows the times from `from` to `to` (day counts) instead of those of the points. The value axis
    // stays automatic over all points of both series, as in the window after a zoom with Ctrl held:
    // give only the range's readings for a value axis fitted to them. Throws EChartAxisError "Axis
    // Minimum Value must be <= Maximum" when from > to.
    void SetTimeRange(double from, double to);

    // One full draw of the chart laid out at `size` screen pixels and scaled onto `target` (in the
    // painter's coordinates, its state kept). An empty size takes the target's size at 96 pixels per
    // inch of the painter's device, so that text and lines keep their screen size on paper; on a
    // QImage of 96 dpi that is the target's own pixels. The series are drawn as vector rectangles,
    // one column of points per screen pixel at most, so a PDF stays small for any number of readings.
    void Paint(QPainter& painter, const QRectF& target, QSize size = QSize());
};

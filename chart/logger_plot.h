#pragma once
// TLoggerPlot: the program's chart on a plot canvas, with no window: the two series "Temperatura_1" and
// "Temperatura_2" with their colours, lines and markers, the look and the labels of the two axes, and
// the axis rules run at every draw. The window's chart and every other picture of the readings (a page
// of a report) are set up through it, so that they draw alike.
#include <utility>
#include <vector>

#include "chartengine/plot_canvas.h"

class TLoggerPlot {
  public:
    // Configures `canvas`, which must have no series yet and must outlive this object, and makes
    // ChartBeforeDrawAxes its before-axes hook. Title and legend start hidden, both axes automatic.
    explicit TLoggerPlot(TPlotCanvas& canvas);
    TLoggerPlot(const TLoggerPlot&) = delete;
    TLoggerPlot& operator=(const TLoggerPlot&) = delete;

    TPlotCanvas& Canvas() { return FCanvas; }
    TStepSeries& Series1;  // "Temperatura_1", channel 1
    TStepSeries& Series2;  // "Temperatura_2", channel 2, drawn over Series1

    // The limits of an alarm profile (°C) as red lines across the plot and the time spans of its
    // excursions (day counts, from and to) as light red bands behind the readings; empty vectors
    // remove them. They never change the axes: a limit outside the value range is not drawn.
    void ShowLimits(const std::vector<double>& limits, const std::vector<std::pair<double, double>>& excursions);

    // Before-axes hook of every draw: ScaleTimeAxis, then ScaleValueAxis.
    void ChartBeforeDrawAxes();
    // Time axis: desired step one minute, no minor ticks (the engine widens the step to fit).
    void ScaleTimeAxis();
    // Value axis, on the range fixed for the draw in progress. A span (as a float) of 2 °C or more: step
    // 1 °C, nine minor ticks, automatic scaling. Less: the draw shows a 2 °C window around the middle,
    // labelled every 0.1 °C without minor ticks, and the axis stays automatic, so narrow readings give
    // the same picture at every draw and later readings still rescale it. A range that a zoom or scroll
    // chose (axis not automatic, zoom not undone) is kept as it is; only the step and ticks are set.
    void ScaleValueAxis();

  private:
    TPlotCanvas& FCanvas;
};

#pragma once
// The saved scales of the zoom and scroll gestures, and the arithmetic of a zoom and a scroll step.
// Plain C++.
#include <array>

#include "chartengine/plot_axis.h"

// Axis order in every array of four: left, bottom, right, top.
using TPlotAxes = std::array<TPlotAxis*, 4>;

class TZoomState {
  public:
    // The restored mark: set at creation and after an undo; cleared by the first zoom or scroll step.
    bool Restored() const { return FRestored; }
    // Saves the flags and ranges of the four axes and clears the mark, if the mark is set.
    void SaveIfRestored(const TPlotAxes& axes);
    // If the mark is clear: gives each axis its saved flags and, when it is then not automatic, its saved
    // range; sets the mark; true. If the mark is set: touches nothing; false.
    bool Restore(const TPlotAxes& axes);

  private:
    struct TSaved {
        bool Automatic = true, AutoMin = true, AutoMax = true;
        double Min = 0, Max = 0;
    };
    bool FRestored = true;
    std::array<TSaved, 4> FSaved{};
};

// Sets the axis to the range between a and b (either order) and switches its automatic scaling off. A
// range narrower than 1e-10 is widened to 1e-10 above its minimum.
void ZoomAxis(TPlotAxis& axis, double a, double b);
// Shifts the range the axis shows by delta and switches its automatic scaling off.
void ShiftAxis(TPlotAxis& axis, double delta);

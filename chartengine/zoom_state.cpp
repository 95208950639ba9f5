#include "chartengine/zoom_state.h"

#include <algorithm>

void TZoomState::SaveIfRestored(const TPlotAxes& axes) {
    if (!FRestored) return;
    for (std::size_t i = 0; i < axes.size(); ++i) {
        const TPlotAxis& a = *axes[i];
        FSaved[i] = {a.Automatic(), a.AutomaticMinimum(), a.AutomaticMaximum(), a.Minimum(), a.Maximum()};
    }
    FRestored = false;
}

bool TZoomState::Restore(const TPlotAxes& axes) {
    if (FRestored) return false;
    for (std::size_t i = 0; i < axes.size(); ++i) {
        TPlotAxis& a = *axes[i];
        const TSaved& s = FSaved[i];
        if (s.Automatic)
            a.Restore(s.Automatic, s.AutoMin, s.AutoMax, a.Minimum(), a.Maximum());
        else
            a.Restore(s.Automatic, s.AutoMin, s.AutoMax, s.Min, s.Max);
    }
    FRestored = true;
    return true;
}

void ZoomAxis(TPlotAxis& axis, double a, double b) {
    double min = std::min(a, b), max = std::max(a, b);
    if (max - min < 1e-10) max = min + 1e-10;
    axis.FreezeToDrawRange();
    axis.SetMinMax(min, max);
}

void ShiftAxis(TPlotAxis& axis, double delta) {
    axis.FreezeToDrawRange();
    axis.SetMinMax(axis.Minimum() + delta, axis.Maximum() + delta);
}

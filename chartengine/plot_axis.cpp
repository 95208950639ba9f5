#include "chartengine/plot_axis.h"

#include <algorithm>
#include <utility>

void TPlotAxis::Changed() {
    if (OnChange) OnChange();
}

void TPlotAxis::SetAutomatic(bool on) {
    FAutomatic = FAutoMin = FAutoMax = on;
    Changed();
}

void TPlotAxis::SetAutomaticMinimum(bool on) {
    FAutoMin = on;
    if (!on)
        FAutomatic = false;
    else if (FAutoMax)
        FAutomatic = true;
    Changed();
}

void TPlotAxis::SetAutomaticMaximum(bool on) {
    FAutoMax = on;
    if (!on)
        FAutomatic = false;
    else if (FAutoMin)
        FAutomatic = true;
    Changed();
}

void TPlotAxis::SetMinimum(double value) {
    if (value > FMaximum) throw EChartAxisError("Axis Minimum Value must be <= Maximum");
    FMinimum = value;
    Changed();
}

void TPlotAxis::SetMaximum(double value) {
    if (value < FMinimum) throw EChartAxisError("Axis Maximum Value must be >= Minimum");
    FMaximum = value;
    Changed();
}

void TPlotAxis::SetMinMax(double min, double max) {
    if (min > max) throw EChartAxisError("Axis Minimum Value must be <= Maximum");
    FMinimum = min;
    FMaximum = max;
    Changed();
}

void TPlotAxis::SetIncrement(double value) {
    FIncrement = std::max(0.0, value);
    Changed();
}

void TPlotAxis::SetMinorTickCount(int value) {
    FMinorTickCount = std::max(0, value);
    Changed();
}

void TPlotAxis::SetStartPosition(double percent) {
    FStartPosition = std::clamp(percent, 0.0, 100.0);
    Changed();
}

void TPlotAxis::SetEndPosition(double percent) {
    FEndPosition = std::clamp(percent, 0.0, 100.0);
    Changed();
}

void TPlotAxis::SetDateTime(bool on) {
    FDateTime = on;
    Changed();
}

void TPlotAxis::SetDrawRange(double min, double max) {
    if (min > max) std::swap(min, max);
    FDrawMin = min;
    FDrawMax = max;
}

void TPlotAxis::FixRange(bool valid, double dataMin, double dataMax) {
    if (!valid) dataMin = dataMax = 0;
    if (FAutoMin) FMinimum = dataMin;
    if (FAutoMax) FMaximum = dataMax;
    // One fixed end beyond the data on the other side leaves an empty range; draw it as one value
    // rather than upside down.
    FDrawMin = FMinimum;
    FDrawMax = std::max(FMinimum, FMaximum);
}

void TPlotAxis::Restore(bool automatic, bool autoMin, bool autoMax, double min, double max) {
    FAutomatic = automatic;
    FAutoMin = autoMin;
    FAutoMax = autoMax;
    FMinimum = min;
    FMaximum = max;
}

void TPlotAxis::FreezeToDrawRange() {
    if (FAutoMin || FAutoMax) {
        FMinimum = FDrawMin;
        FMaximum = FDrawMax;
    }
    FAutomatic = FAutoMin = FAutoMax = false;
}

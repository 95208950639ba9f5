#pragma once
// Scale settings of one chart axis, without any drawing. Plain C++ so that the scaling rules can be
// tested without a window.
#include <functional>
#include <stdexcept>
#include <string>

// Raised by the range checks of TPlotAxis; what() is the user-visible text.
class EChartAxisError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TPlotAxis {
  public:
    // Automatic on means both ends automatic. Switching it switches both ends with it.
    bool Automatic() const { return FAutomatic; }
    void SetAutomatic(bool on);
    // Switching an end off switches Automatic off; switching it on switches Automatic on when the other
    // end is automatic too.
    bool AutomaticMinimum() const { return FAutoMin; }
    void SetAutomaticMinimum(bool on);
    bool AutomaticMaximum() const { return FAutoMax; }
    void SetAutomaticMaximum(bool on);

    double Minimum() const { return FMinimum; }
    double Maximum() const { return FMaximum; }
    // Throws EChartAxisError "Axis Minimum Value must be <= Maximum" when value > Maximum().
    void SetMinimum(double value);
    // Throws EChartAxisError "Axis Maximum Value must be >= Minimum" when value < Minimum().
    void SetMaximum(double value);
    // Sets both ends at once; throws "Axis Minimum Value must be <= Maximum" when min > max.
    void SetMinMax(double min, double max);

    // Desired label step in axis units (days on a date-time axis); negative values are taken as 0,
    // 0 lets the engine choose. The drawn step is this or wider, so that the labels fit.
    double Increment() const { return FIncrement; }
    void SetIncrement(double value);
    // Number of minor ticks between two labels, never below 0.
    int MinorTickCount() const { return FMinorTickCount; }
    void SetMinorTickCount(int value);

    // Where the axis runs along its side of the plot, in percent of the plot length (0 to 100).
    double StartPosition() const { return FStartPosition; }
    double EndPosition() const { return FEndPosition; }
    void SetStartPosition(double percent);
    void SetEndPosition(double percent);

    // A date-time axis carries day counts and uses the time-label step ladder.
    bool DateTime() const { return FDateTime; }
    void SetDateTime(bool on);

    // Label text of a value; empty function: a plain number.
    std::function<std::string(double)> LabelText;

    // Called after every change of a setting (the chart redraws unless it is drawing).
    std::function<void()> OnChange;

    // The range of the draw in progress: fixed by the engine from the settings (and the data, for the
    // automatic ends) at the start of every draw. SetDrawRange changes it for the draw in progress only,
    // without touching the settings or starting another draw; min > max is swapped.
    double DrawMinimum() const { return FDrawMin; }
    double DrawMaximum() const { return FDrawMax; }
    void SetDrawRange(double min, double max);

    // Engine use: the automatic ends take the data range (valid == false: no points, 0 to 0), then the
    // draw range is set from the settings. Does not notify.
    void FixRange(bool valid, double dataMin, double dataMax);
    // Engine use: restores flags and range as saved, without checks or notification.
    void Restore(bool automatic, bool autoMin, bool autoMax, double min, double max);
    // Engine use: switches automatic scaling off and sets the range to what was last drawn when any end
    // was automatic, so that a gesture shifts or narrows the range the user sees.
    void FreezeToDrawRange();

  private:
    void Changed();

    bool FAutomatic = true, FAutoMin = true, FAutoMax = true;
    double FMinimum = 0, FMaximum = 0;
    double FIncrement = 0;
    int FMinorTickCount = 0;
    double FStartPosition = 0, FEndPosition = 100;
    bool FDateTime = false;
    double FDrawMin = 0, FDrawMax = 0;
};

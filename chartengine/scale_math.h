#pragma once
// Scale arithmetic of the chart: label steps, label positions, pixel mapping, the print rectangle.
// Plain C++; date-time values are day counts (whole days since 1899-12-30 plus the fraction of the day).
#include <cmath>
#include <vector>

namespace chartscale {

constexpr double kSecond = 1.0 / 86400.0;

// How many labels fit along an axis: the axis length divided by the label size plus a separation of
// 10 % of it, rounded. Lengths in pixels; a label size of 0 or less counts as 1 pixel.
int LabelsThatFit(double axisLengthPx, double labelSizePx);

// The next larger step of the time ladder (1, 5, 10, 15, 30 s; 1, 5, 10, 15, 30 min; 1, 2, 6, 12 h;
// 1, 2, 3, 7, 15, 30, 60, 90, 120, 182, 365 days; then doubling), in days.
double NextTimeStep(double stepDays);
// The drawn step of a date-time axis: the desired step (at least one second; the span / 1,000,000 when
// the span holds more steps than that), widened along the ladder while round(span / step) > fit.
double TimeLabelStep(double desiredDays, double spanDays, int fit);

// The next larger value of the sequence 1, 2, 5 times a power of ten.
double NextValueStep(double step);
// The drawn step of a value axis: the desired step (0: a small power of ten below the span), widened
// along 1, 2, 5 x 10^n while round(span / step) > fit.
double ValueLabelStep(double desired, double span, int fit);

// Label values within [min, max]. Below one day: whole multiples of the step. One day and more:
// calendar-aligned midnights: day counts divisible by the step (1, 2, 3, 7 days), the 1st and 16th of
// each month (15 days), the first of every 1, 2, 3, 4 or 6 months (30 to 182 days), 1 January of years
// divisible by round(step / 365) (365 days and more). At most 100000 values.
std::vector<double> TimeLabelPositions(double min, double max, double stepDays);
// Whole multiples of the step within [min, max]. At most 100000 values.
std::vector<double> ValueLabelPositions(double min, double max, double step);
// Minor tick values: `count` evenly spaced ticks in each gap of `step` around the labels, also before
// the first and after the last label, within [min, max]. Without labels there are none.
std::vector<double> MinorTickPositions(const std::vector<double>& labels, double step, int count, double min,
                                       double max);

// The pixel a coordinate falls on: the one whose centre is nearest. Series, grid lines and ticks
// all use it, so a point on a label's value lies on that label's grid line.
inline int PixelOf(double coordinate) { return static_cast<int>(std::floor(coordinate + 0.5)); }

// Linear mapping between axis values and pixels. Pixel coordinates may run either way (a vertical axis
// maps Min to its bottom pixel). An empty range (Min == Max) maps every value to the middle pixel and
// every pixel to Min.
struct TAxisMap {
    double Min = 0, Max = 0;
    double PixelFrom = 0, PixelTo = 0;
    double ToPixel(double value) const;
    double ToValue(double pixel) const;
};

// The page rectangle of a chart print, in printer pixels. W x H: the chart on screen; PW x PH: the
// printable page; R: horizontal divided by vertical printer resolution. Margins in percent: 15 on the
// chart's longer side, the other pair from the chart's aspect ratio so that the chart keeps it. A
// computed margin below 0 is taken as 0 so that the rectangle stays on the page.
struct TPrintRect {
    int LeftPercent = 0, TopPercent = 0, RightPercent = 0, BottomPercent = 0;
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};
TPrintRect ProportionalPrintRect(int W, int H, int PW, int PH, double R);

// Calendar helpers on day counts.
struct TCivilDate {
    int Year, Month, Day;
};
TCivilDate DayToCivil(long long dayCount);
long long CivilToDay(int year, int month, int day);

}  // namespace chartscale

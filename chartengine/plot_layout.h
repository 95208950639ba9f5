#pragma once
// The layout of one chart draw: where the title lines, the plot frame, the axis bands, the labels,
// the ticks and the grid lines go. A pure function of the area, the fonts' metrics and the axes'
// settings and fixed ranges, so that it can be checked with exact numbers; the painting that
// follows only draws what the layout says.
#include <QFont>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "chartengine/plot_axis.h"
#include "chartengine/scale_math.h"

// Fixed distances of the layout, pixels.
constexpr int kPlotPad = 4;        // between the panel edge and its content, and below the title
constexpr int kPlotTick = 4;       // label tick length
constexpr int kPlotMinorTick = 2;  // minor tick length
constexpr int kPlotLabelGap = 2;   // between a tick and its label

// What the layout needs of a font.
struct TTextMeasure {
    double Height = 0;                              // of one text line
    double LineSpacing = 0;                         // from one line to the next
    double AverageCharWidth = 0;                    // of a character
    std::function<double(const QString&)> Advance;  // width of a text

    static TTextMeasure Of(const QFont& font);
};

// The label text of an axis value: the axis's own text function, else the number.
QString AxisLabelText(const TPlotAxis& axis, double value);

struct TPlotLayoutInput {
    QRect Area;  // the whole chart, bevel included
    int TitleLines = 0;
    TTextMeasure TitleFont;
    // The axes with the ranges fixed for this draw. Only the left (values) and bottom (time) axes
    // are drawn, and only when AxesShown; the top and right axes get maps and nothing else.
    const TPlotAxis* Left = nullptr;
    const TPlotAxis* Bottom = nullptr;
    const TPlotAxis* Right = nullptr;
    const TPlotAxis* Top = nullptr;
    bool AxesShown = false;
    TTextMeasure LeftLabels, BottomLabels, LeftTitleFont;
    QString LeftTitle;
    bool BottomLabelsTurned = false;  // turned by 90 degrees, read from bottom to top
    int MarkerMargin = 0;             // kept free at both ends of each axis for markers and lines
};

// Labels and minor ticks of one drawn axis.
struct TAxisMarks {
    double Step = 0;               // the drawn label step
    std::vector<double> Labels;    // label values, ascending
    std::vector<int> LabelPixels;  // where each label's tick and grid line stand
    QStringList Texts;             // each label's text
    std::vector<double> TextWidths;
    std::vector<double> Minor;  // minor tick values
    std::vector<int> MinorPixels;
};

struct TPlotLayout {
    QRect Inner;                     // inside the bevel and the padding
    std::vector<QRectF> TitleLines;  // one rectangle per title line
    QRect Plot;                      // the plot frame
    QRect LeftBand, BottomBand;      // the value axis beside the plot, the time axis below it
    chartscale::TAxisMap BottomMap, LeftMap, TopMap, RightMap;
    TAxisMarks Left, Bottom;  // empty when the axes are not shown
    double LeftLabelWidth = 0;
    double LeftLineHeight = 0, BottomLineHeight = 0;
    QRectF LeftTitle;  // the value axis title, beside the middle of the axis
};

TPlotLayout LayOutPlot(const TPlotLayoutInput& in);

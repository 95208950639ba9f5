#include "chartengine/plot_layout.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

using namespace chartscale;

namespace {

// Step, labels and minor ticks of an axis whose pixel map is known; `fit` labels fit along it.
TAxisMarks MarksOf(const TPlotAxis& axis, const TAxisMap& map, int fit, const TTextMeasure& font) {
    TAxisMarks m;
    const double min = axis.DrawMinimum(), max = axis.DrawMaximum();
    m.Step = axis.DateTime() ? TimeLabelStep(axis.Increment(), max - min, fit)
                             : ValueLabelStep(axis.Increment(), max - min, fit);
    m.Labels = axis.DateTime() ? TimeLabelPositions(min, max, m.Step) : ValueLabelPositions(min, max, m.Step);
    m.Minor = MinorTickPositions(m.Labels, m.Step, axis.MinorTickCount(), min, max);
    for (double v : m.Labels) {
        m.LabelPixels.push_back(PixelOf(map.ToPixel(v)));
        m.Texts << AxisLabelText(axis, v);
        m.TextWidths.push_back(font.Advance(m.Texts.back()));
    }
    for (double v : m.Minor) m.MinorPixels.push_back(PixelOf(map.ToPixel(v)));
    return m;
}

int Ceil(double v) { return static_cast<int>(std::ceil(v)); }

}  // namespace

TTextMeasure TTextMeasure::Of(const QFont& font) {
    const QFontMetricsF fm(font);
    return {fm.height(), fm.lineSpacing(), fm.averageCharWidth(),
            [fm](const QString& text) { return fm.horizontalAdvance(text); }};
}

QString AxisLabelText(const TPlotAxis& axis, double value) {
    if (axis.LabelText) return QString::fromStdString(axis.LabelText(value));
    return QString::number(value, 'g', 10);
}

TPlotLayout LayOutPlot(const TPlotLayoutInput& in) {
    TPlotLayout out;
    const TPlotAxis& left = *in.Left;
    const TPlotAxis& bottom = *in.Bottom;
    out.Inner = in.Area.adjusted(1 + kPlotPad, 1 + kPlotPad, -(1 + kPlotPad), -(1 + kPlotPad));
    const QRect& inner = out.Inner;

    int top = inner.top();
    for (int i = 0; i < in.TitleLines; ++i) {
        out.TitleLines.emplace_back(inner.left(), top, inner.width(), in.TitleFont.Height);
        top += Ceil(in.TitleFont.LineSpacing);
    }
    if (in.TitleLines > 0) top += kPlotPad;

    out.BottomLineHeight = in.BottomLabels.Height;
    out.LeftLineHeight = in.LeftLabels.Height;

    // Time labels are all of one format, so the longer of the two ends gives their extent.
    double bottomExtent = 0;
    if (in.AxesShown) {
        const double w = std::max(in.BottomLabels.Advance(AxisLabelText(bottom, bottom.DrawMinimum())),
                                  in.BottomLabels.Advance(AxisLabelText(bottom, bottom.DrawMaximum())));
        bottomExtent = kPlotTick + kPlotLabelGap + (in.BottomLabelsTurned ? w : out.BottomLineHeight);
    }
    const int plotTop = top;
    const int plotBottom = std::max(plotTop + 1, inner.bottom() - Ceil(bottomExtent));
    const double h = plotBottom - plotTop;
    const double leftPixTop = plotTop + h * left.StartPosition() / 100 + in.MarkerMargin;
    const double leftPixBottom = plotTop + h * left.EndPosition() / 100 - in.MarkerMargin;
    out.LeftMap = {left.DrawMinimum(), left.DrawMaximum(), leftPixBottom, leftPixTop};
    out.RightMap = {in.Right->DrawMinimum(), in.Right->DrawMaximum(), leftPixBottom, leftPixTop};

    // The value labels set the width of the band left of the plot.
    if (in.AxesShown) {
        out.Left =
            MarksOf(left, out.LeftMap, LabelsThatFit(leftPixBottom - leftPixTop, out.LeftLineHeight), in.LeftLabels);
        for (double w : out.Left.TextWidths) out.LeftLabelWidth = std::max(out.LeftLabelWidth, w);
    }
    const double leftTitleW =
        in.AxesShown && !in.LeftTitle.isEmpty() ? in.LeftTitleFont.Advance(in.LeftTitle) + kPlotPad : 0;
    const int plotLeft =
        inner.left() + (in.AxesShown ? Ceil(leftTitleW + out.LeftLabelWidth + kPlotLabelGap + kPlotTick) : 0);
    // Room for half a turned label past the right end of the time axis.
    const int plotRight = std::max(plotLeft + 1, inner.right() - Ceil(out.BottomLineHeight / 2));
    out.Plot = QRect(QPoint(plotLeft, plotTop), QPoint(plotRight, plotBottom));
    out.BottomMap = {bottom.DrawMinimum(), bottom.DrawMaximum(), double(plotLeft + in.MarkerMargin),
                     double(plotRight - in.MarkerMargin)};
    out.TopMap = {in.Top->DrawMinimum(), in.Top->DrawMaximum(), double(plotLeft + in.MarkerMargin),
                  double(plotRight - in.MarkerMargin)};
    out.LeftBand = QRect(QPoint(inner.left(), plotTop), QPoint(plotLeft - 1, plotBottom));
    out.BottomBand = QRect(QPoint(plotLeft, plotBottom + 1), QPoint(plotRight, inner.bottom()));

    if (in.AxesShown) {
        const double labelSize = in.BottomLabelsTurned ? out.BottomLineHeight : in.BottomLabels.AverageCharWidth * 12;
        out.Bottom =
            MarksOf(bottom, out.BottomMap, LabelsThatFit(out.BottomMap.PixelTo - out.BottomMap.PixelFrom, labelSize),
                    in.BottomLabels);
        if (!in.LeftTitle.isEmpty()) {
            const double mid = (leftPixTop + leftPixBottom) / 2;
            out.LeftTitle =
                QRectF(inner.left(), mid - in.LeftTitleFont.Height / 2, leftTitleW, in.LeftTitleFont.Height);
        }
    }
    return out;
}

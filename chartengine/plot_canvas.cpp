#include "chartengine/plot_canvas.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <QVector>
#include <algorithm>
#include <cmath>

#include "chartengine/scope_exit.h"
#include "chartengine/series_columns.h"

using namespace chartscale;

namespace {

QColor ToQColor(std::uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// Inside the frame: the pixels between the frame's lines.
QRect Inside(const QRect& plot) { return plot.adjusted(1, 1, 0, 0); }

}  // namespace

TPlotCanvas::TPlotCanvas() {
    QFont f;
    f.setPixelSize(12);
    for (TAxis* a : {&LeftAxis, &BottomAxis, &RightAxis, &TopAxis}) {
        a->LabelsFont = f;
        a->TitleFont = f;
        a->OnChange = [this] { Invalidate(); };
    }
    Title.Font = f;
    Legend.Font = f;
}

TPlotCanvas::~TPlotCanvas() = default;

TStepSeries& TPlotCanvas::AddSeries() {
    FSeries.push_back(std::make_unique<TStepSeries>());
    FSeries.back()->OnChange = [this] { Invalidate(); };
    Invalidate();
    return *FSeries.back();
}

void TPlotCanvas::SetTitleText(const QStringList& lines) {
    Title.Text = lines;
    Invalidate();
}

void TPlotCanvas::SetTitleVisible(bool on) {
    Title.Visible = on;
    Invalidate();
}

void TPlotCanvas::SetLegendVisible(bool on) {
    Legend.Visible = on;
    Invalidate();
}

void TPlotCanvas::SetMarkerLines(std::vector<TPlotMarkerLine> lines) {
    FMarkerLines = std::move(lines);
    Invalidate();
}

void TPlotCanvas::SetBands(std::vector<TPlotBand> bands) {
    FBands = std::move(bands);
    Invalidate();
}

void TPlotCanvas::Invalidate() {
    if (!FDrawing) Changed();
}

TPlotAxes TPlotCanvas::Axes() { return {&LeftAxis, &BottomAxis, &RightAxis, &TopAxis}; }

bool TPlotCanvas::AxisUsed(const TPlotAxis& axis) const {
    return (&axis == &LeftAxis || &axis == &BottomAxis) && !FSeries.empty();
}

int TPlotCanvas::MarkerMargin() const {
    int m = 0;
    for (const auto& s : FSeries) {
        if (!s->Active()) continue;
        m = std::max({m, s->HorizSize() + 1, s->VertSize() + 1, s->LineWidth()});
    }
    return m;
}

void TPlotCanvas::FixRanges() {
    // The automatic ends come from the active series, shown or hidden.
    bool anyX = false, anyY = false;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    for (const auto& s : FSeries) {
        if (!s->Active()) continue;
        double a, b;
        if (s->MinMaxX(a, b)) {
            xMin = anyX ? std::min(xMin, a) : a;
            xMax = anyX ? std::max(xMax, b) : b;
            anyX = true;
        }
        if (s->MinMaxY(a, b)) {
            yMin = anyY ? std::min(yMin, a) : a;
            yMax = anyY ? std::max(yMax, b) : b;
            anyY = true;
        }
    }
    BottomAxis.FixRange(anyX, xMin, xMax);
    LeftAxis.FixRange(anyY, yMin, yMax);
    TopAxis.FixRange(false, 0, 0);
    RightAxis.FixRange(false, 0, 0);
}

TPlotLayoutInput TPlotCanvas::LayoutInput(const QRect& area) const {
    TPlotLayoutInput in;
    in.Area = area;
    if (Title.Visible) in.TitleLines = static_cast<int>(Title.Text.size());
    in.TitleFont = TTextMeasure::Of(Title.Font);
    in.Left = &LeftAxis;
    in.Bottom = &BottomAxis;
    in.Right = &RightAxis;
    in.Top = &TopAxis;
    in.AxesShown = AxisUsed(LeftAxis);
    in.LeftLabels = TTextMeasure::Of(LeftAxis.LabelsFont);
    in.BottomLabels = TTextMeasure::Of(BottomAxis.LabelsFont);
    in.LeftTitleFont = TTextMeasure::Of(LeftAxis.TitleFont);
    in.LeftTitle = LeftAxis.Title;
    in.BottomLabelsTurned = BottomAxis.LabelsAngle == 90;
    in.MarkerMargin = MarkerMargin();
    return in;
}

void TPlotCanvas::Draw(QPainter& painter, const QRect& area) {
    FDrawing = true;
    TScopeExit done{[this] { FDrawing = false; }};
    ++FDrawCount;

    // 1. Ranges; 2. the hook sees them and may set steps, minor ticks and the draw range;
    // 3. the layout from what the hook left; 4. the painting.
    FixRanges();
    if (OnBeforeDrawAxes) OnBeforeDrawAxes();
    FLayout = LayOutPlot(LayoutInput(area));

    painter.save();
    painter.setClipRect(area);
    PaintPanel(painter, area);
    if (AxisUsed(LeftAxis)) PaintBands(painter);
    if (AxisUsed(LeftAxis)) PaintAxes(painter);
    // The plot frame: outline only, the background shows through.
    painter.setPen(QPen(WallPenColor, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(FLayout.Plot);
    if (AxisUsed(LeftAxis)) PaintMarkerLines(painter);
    PaintSeries(painter);
    if (Legend.Visible && !FSeries.empty()) PaintLegend(painter);
    painter.restore();
}

void TPlotCanvas::DrawScaled(QPainter& painter, const QRectF& target, const QSize& size) {
    // The layout, the fonts (pixel sizes) and the pen widths stay those of the screen picture; the
    // painter's transform maps them onto the target, so a page shows what the screen shows.
    const int w = std::max(1, size.width()), h = std::max(1, size.height());
    painter.save();
    TScopeExit restore{[&painter] { painter.restore(); }};
    painter.translate(target.topLeft());
    painter.scale(target.width() / w, target.height() / h);
    Draw(painter, QRect(0, 0, w, h));
}

// Background, bevel and title lines.
void TPlotCanvas::PaintPanel(QPainter& painter, const QRect& area) {
    const TPlotLayout& L = FLayout;
    painter.fillRect(area, BackColor);
    if (BevelSunken) {
        painter.setPen(QPen(QColor(160, 160, 160), 1));
        painter.drawLine(area.topLeft(), area.topRight());
        painter.drawLine(area.topLeft(), area.bottomLeft());
        painter.setPen(QPen(Qt::white, 1));
        painter.drawLine(area.bottomLeft(), area.bottomRight());
        painter.drawLine(area.topRight(), area.bottomRight());
    }
    if (!L.TitleLines.empty()) {
        painter.setFont(Title.Font);
        painter.setPen(Title.Color);
        for (std::size_t i = 0; i < L.TitleLines.size(); ++i)
            painter.drawText(L.TitleLines[i], Qt::AlignLeft | Qt::AlignVCenter, Title.Text[static_cast<int>(i)]);
    }
}

// Grids, then the value axis and the time axis with their ticks and labels.
void TPlotCanvas::PaintAxes(QPainter& painter) {
    const TPlotLayout& L = FLayout;
    const QRect& plot = L.Plot;
    // Grids first, so that the frame, the axes and the series lie over them.
    if (LeftAxis.GridVisible) {
        painter.setPen(QPen(LeftAxis.GridColor, 1, Qt::SolidLine));
        for (int y : L.Left.LabelPixels) painter.drawLine(plot.left(), y, plot.right(), y);
    }
    if (BottomAxis.GridVisible) {
        painter.setPen(QPen(BottomAxis.GridColor, 1, Qt::SolidLine));
        for (int x : L.Bottom.LabelPixels) painter.drawLine(x, plot.top(), x, plot.bottom());
    }

    // Value axis: line, ticks, labels, title.
    painter.setPen(QPen(Qt::black, LeftAxis.AxisLineWidth));
    painter.drawLine(plot.left(), plot.top(), plot.left(), plot.bottom());
    painter.setPen(QPen(Qt::black, 1));
    for (int y : L.Left.MinorPixels) painter.drawLine(plot.left() - kPlotMinorTick, y, plot.left(), y);
    painter.setFont(LeftAxis.LabelsFont);
    const double labelRight = plot.left() - kPlotTick - kPlotLabelGap;
    for (std::size_t i = 0; i < L.Left.LabelPixels.size(); ++i) {
        const int y = L.Left.LabelPixels[i];
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(plot.left() - kPlotTick, y, plot.left(), y);
        painter.setPen(LeftAxis.LabelsColor);
        painter.drawText(
            QRectF(labelRight - L.LeftLabelWidth, y - L.LeftLineHeight / 2, L.LeftLabelWidth, L.LeftLineHeight),
            Qt::AlignRight | Qt::AlignVCenter, L.Left.Texts[static_cast<int>(i)]);
    }
    if (!LeftAxis.Title.isEmpty()) {
        painter.setFont(LeftAxis.TitleFont);
        painter.setPen(LeftAxis.TitleColor);
        painter.drawText(L.LeftTitle, Qt::AlignLeft | Qt::AlignVCenter, LeftAxis.Title);
    }

    // Time axis: line, ticks, labels (turned labels read from bottom to top and end at the tick).
    painter.setPen(QPen(Qt::black, BottomAxis.AxisLineWidth));
    painter.drawLine(plot.left(), plot.bottom(), plot.right(), plot.bottom());
    painter.setPen(QPen(Qt::black, 1));
    for (int x : L.Bottom.MinorPixels) painter.drawLine(x, plot.bottom(), x, plot.bottom() + kPlotMinorTick);
    painter.setFont(BottomAxis.LabelsFont);
    const double lineH = L.BottomLineHeight;
    const int labelTop = plot.bottom() + kPlotTick + kPlotLabelGap;
    for (std::size_t i = 0; i < L.Bottom.LabelPixels.size(); ++i) {
        const int x = L.Bottom.LabelPixels[i];
        const QString& text = L.Bottom.Texts[static_cast<int>(i)];
        const double w = L.Bottom.TextWidths[i];
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(x, plot.bottom(), x, plot.bottom() + kPlotTick);
        painter.setPen(BottomAxis.LabelsColor);
        if (BottomAxis.LabelsAngle == 90) {
            painter.save();
            painter.translate(x, labelTop + w);
            painter.rotate(-90);
            painter.drawText(QRectF(0, -lineH / 2, w, lineH), Qt::AlignLeft | Qt::AlignVCenter, text);
            painter.restore();
        } else {
            painter.drawText(QRectF(x - w / 2, labelTop, w, lineH), Qt::AlignCenter, text);
        }
    }
}

void TPlotCanvas::PaintBands(QPainter& painter) {
    const TPlotLayout& L = FLayout;
    const QRect inside = Inside(L.Plot);
    for (const TPlotBand& band : FBands) {
        const double a = L.BottomMap.ToPixel(band.From), b = L.BottomMap.ToPixel(band.To);
        const int left = std::max(inside.left(), PixelOf(std::min(a, b)));
        const int right = std::min(inside.right(), PixelOf(std::max(a, b)));
        // A band narrower than a pixel still shows as one column.
        if (right < left) continue;
        painter.fillRect(QRect(left, inside.top(), right - left + 1, inside.height()), band.Color);
    }
}

void TPlotCanvas::PaintMarkerLines(QPainter& painter) {
    const TPlotLayout& L = FLayout;
    const QRect inside = Inside(L.Plot);
    const double low = std::min(L.LeftMap.Min, L.LeftMap.Max), high = std::max(L.LeftMap.Min, L.LeftMap.Max);
    for (const TPlotMarkerLine& line : FMarkerLines) {
        if (!(line.Value >= low && line.Value <= high)) continue;
        const int y = PixelOf(L.LeftMap.ToPixel(line.Value)), w = std::max(1, line.Width);
        painter.fillRect(QRect(inside.left(), y - w / 2, inside.width(), w), line.Color);
    }
}

// The series in order, clipped to the plot; later ones lie on top.
void TPlotCanvas::PaintSeries(QPainter& painter) {
    const TPlotLayout& L = FLayout;
    const QRect& plot = L.Plot;
    painter.save();
    painter.setClipRect(plot.adjusted(1, 1, 0, 0), Qt::IntersectClip);
    for (const auto& s : FSeries) {
        if (!s->LinePenVisible() && !s->PointerVisible()) continue;
        const std::vector<TColumn> cols = ReduceToColumns(s->XValues(), s->YValues(), L.BottomMap, L.LeftMap,
                                                          plot.left(), plot.right(), plot.top(), plot.bottom());
        if (cols.empty()) continue;
        const QColor color = ToQColor(s->Color());
        if (s->LinePenVisible() && s->Stairs()) {
            // Stairs are axis-parallel, so each step is a filled rectangle as wide as the pen: far cheaper
            // than stroking one long polyline, and the same pixels as a square-capped pen.
            const int w = s->LineWidth(), h = w / 2;
            int prevY = PixelOf(cols.front().First);
            for (std::size_t i = 0; i < cols.size(); ++i) {
                const TColumn& c = cols[i];
                const int top = std::min(prevY, PixelOf(c.Min)), bottom = std::max(prevY, PixelOf(c.Max));
                painter.fillRect(QRect(c.X - h, top - h, w, bottom - top + w), color);
                prevY = PixelOf(c.Last);
                if (i + 1 < cols.size()) painter.fillRect(QRect(c.X - h, prevY - h, cols[i + 1].X - c.X + w, w), color);
            }
        } else if (s->LinePenVisible()) {
            QVector<QLineF> lines;
            lines.reserve(static_cast<int>(cols.size() * 2));
            for (std::size_t i = 0; i < cols.size(); ++i) {
                const TColumn& c = cols[i];
                if (c.Min != c.Max) lines << QLineF(c.X, c.Min, c.X, c.Max);
                if (i + 1 < cols.size()) lines << QLineF(c.X, c.Last, cols[i + 1].X, cols[i + 1].First);
            }
            painter.setPen(QPen(color, s->LineWidth(), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            painter.drawLines(lines);
        }
        if (s->PointerVisible()) {
            const int hs = s->HorizSize(), vs = s->VertSize();
            auto marker = [&](int x, double y) {
                painter.fillRect(QRect(x - hs, PixelOf(y) - vs, 2 * hs + 1, 2 * vs + 1), color);
            };
            for (const TColumn& c : cols) {
                marker(c.X, c.Min);
                if (c.Max != c.Min) marker(c.X, c.Max);
                if (c.First != c.Min && c.First != c.Max) marker(c.X, c.First);
                if (c.Last != c.Min && c.Last != c.Max) marker(c.X, c.Last);
            }
        }
    }
    painter.restore();
}

// The legend lies over the top of the plot without shrinking it.
void TPlotCanvas::PaintLegend(QPainter& painter) {
    const QRect& plot = FLayout.Plot;
    QFontMetricsF fm(Legend.Font);
    const double box = std::max(4.0, fm.height() - 6);
    double w = kPlotPad;
    for (const auto& s : FSeries)
        w += box + kPlotPad + fm.horizontalAdvance(QString::fromStdString(s->Title())) + 2 * kPlotPad;
    const QRectF r(plot.center().x() - w / 2, plot.top() + kPlotPad, w, fm.height() + kPlotPad);
    painter.fillRect(r, Legend.Background);
    painter.setFont(Legend.Font);
    double x = r.left() + kPlotPad;
    for (const auto& s : FSeries) {
        painter.fillRect(QRectF(x, r.center().y() - box / 2, box, box), ToQColor(s->Color()));
        x += box + kPlotPad;
        const QString t = QString::fromStdString(s->Title());
        painter.setPen(Legend.Color);
        painter.drawText(QRectF(x, r.top(), fm.horizontalAdvance(t) + 1, r.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         t);
        x += fm.horizontalAdvance(t) + 2 * kPlotPad;
    }
}

void TPlotCanvas::ZoomRect(const QRect& rect) {
    FZoom.SaveIfRestored(Axes());
    ZoomAxis(BottomAxis, FLayout.BottomMap.ToValue(rect.left()), FLayout.BottomMap.ToValue(rect.right()));
    ZoomAxis(TopAxis, FLayout.TopMap.ToValue(rect.left()), FLayout.TopMap.ToValue(rect.right()));
    ZoomAxis(LeftAxis, FLayout.LeftMap.ToValue(rect.bottom()), FLayout.LeftMap.ToValue(rect.top()));
    ZoomAxis(RightAxis, FLayout.RightMap.ToValue(rect.bottom()), FLayout.RightMap.ToValue(rect.top()));
    if (OnZoom) OnZoom();
    Invalidate();
}

void TPlotCanvas::UndoZoom() {
    FZoom.Restore(Axes());
    if (OnUndoZoom) OnUndoZoom();
    Invalidate();
}

void TPlotCanvas::ScrollBy(QPoint from, QPoint to) {
    FZoom.SaveIfRestored(Axes());
    if (to.x() != from.x()) {
        // The range moves against the pointer, so the data follow it.
        ShiftAxis(BottomAxis, FLayout.BottomMap.ToValue(from.x()) - FLayout.BottomMap.ToValue(to.x()));
        ShiftAxis(TopAxis, FLayout.TopMap.ToValue(from.x()) - FLayout.TopMap.ToValue(to.x()));
    }
    if (to.y() != from.y()) {
        ShiftAxis(LeftAxis, FLayout.LeftMap.ToValue(from.y()) - FLayout.LeftMap.ToValue(to.y()));
        ShiftAxis(RightAxis, FLayout.RightMap.ToValue(from.y()) - FLayout.RightMap.ToValue(to.y()));
    }
    Invalidate();
}

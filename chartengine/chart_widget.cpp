#include "chartengine/chart_widget.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QVector>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

using namespace chartscale;

namespace {

constexpr int kPad = 4;        // space between the panel edge and its content
constexpr int kTick = 4;       // label tick length
constexpr int kMinorTick = 2;  // minor tick length
constexpr int kLabelGap = 2;   // between a tick and its label
constexpr int kMinDrag = 16;   // a zoom or undo drag must be longer than this both ways

QColor ToQColor(std::uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

QString LabelOf(const TPlotAxis& axis, double value) {
    if (axis.LabelText) return QString::fromStdString(axis.LabelText(value));
    return QString::number(value, 'g', 10);
}

// Runs on scope exit; keeps the drawing flag and the event modifiers right when a hook throws.
template <class F>
struct TScopeExit {
    F f;
    ~TScopeExit() { f(); }
};
template <class F>
TScopeExit(F) -> TScopeExit<F>;

}  // namespace

TPlot::TPlot(QWidget* parent) : QWidget(parent) {
    // The chart never takes the keyboard focus, so wheel input goes to the focused control.
    setFocusPolicy(Qt::NoFocus);
    // The context menu opens on the right button's release (after a scroll), never on the press.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMouseTracking(false);
    QFont f = font();
    f.setPixelSize(12);
    for (TAxis* a : {&LeftAxis, &BottomAxis, &RightAxis, &TopAxis}) {
        a->LabelsFont = f;
        a->TitleFont = f;
        a->OnChange = [this] { Invalidate(); };
    }
    Title.Font = f;
    Legend.Font = f;
}

TPlot::~TPlot() = default;

TStepSeries& TPlot::AddSeries() {
    FSeries.push_back(std::make_unique<TStepSeries>());
    FSeries.back()->OnChange = [this] { Invalidate(); };
    Invalidate();
    return *FSeries.back();
}

void TPlot::SetTitleText(const QStringList& lines) {
    Title.Text = lines;
    Invalidate();
}

void TPlot::SetTitleVisible(bool on) {
    Title.Visible = on;
    Invalidate();
}

void TPlot::SetLegendVisible(bool on) {
    Legend.Visible = on;
    Invalidate();
}

void TPlot::Invalidate() {
    // One request is enough until the next paint: a parse adds a million points one by one.
    if (FDrawing || FDirty) return;
    FDirty = true;
    update();
}

TPlotAxes TPlot::Axes() { return {&LeftAxis, &BottomAxis, &RightAxis, &TopAxis}; }

bool TPlot::AxisUsed(const TPlotAxis& axis) const {
    return (&axis == &LeftAxis || &axis == &BottomAxis) && !FSeries.empty();
}

int TPlot::MarkerMargin() const {
    int m = 0;
    for (const auto& s : FSeries) {
        if (!s->Active()) continue;
        m = std::max({m, s->HorizSize() + 1, s->VertSize() + 1, s->LineWidth()});
    }
    return m;
}

void TPlot::Draw(QPainter& painter, const QRect& area) {
    FDrawing = true;
    TScopeExit done{[this] { FDrawing = false; }};
    ++FDrawCount;

    // 1. Ranges: the automatic ends from the active series (shown or hidden).
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

    // 2. The hook sees the fixed ranges and may set steps, minor ticks and the draw range.
    if (OnBeforeDrawAxes) OnBeforeDrawAxes();

    // 3. Layout, then the axes.
    painter.save();
    painter.setClipRect(area);
    painter.fillRect(area, BackColor);
    if (BevelSunken) {
        painter.setPen(QPen(QColor(160, 160, 160), 1));
        painter.drawLine(area.topLeft(), area.topRight());
        painter.drawLine(area.topLeft(), area.bottomLeft());
        painter.setPen(QPen(Qt::white, 1));
        painter.drawLine(area.bottomLeft(), area.bottomRight());
        painter.drawLine(area.topRight(), area.bottomRight());
    }
    const QRect inner = area.adjusted(1 + kPad, 1 + kPad, -(1 + kPad), -(1 + kPad));
    int top = inner.top();
    if (Title.Visible && !Title.Text.isEmpty()) {
        QFontMetricsF fm(Title.Font);
        painter.setFont(Title.Font);
        painter.setPen(Title.Color);
        for (const QString& line : Title.Text) {
            painter.drawText(QRectF(inner.left(), top, inner.width(), fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                             line);
            top += static_cast<int>(std::ceil(fm.lineSpacing()));
        }
        top += kPad;
    }

    const bool axesShown = AxisUsed(LeftAxis);
    const int margin = MarkerMargin();
    QFontMetricsF fmBottom(BottomAxis.LabelsFont), fmLeft(LeftAxis.LabelsFont), fmLeftTitle(LeftAxis.TitleFont);
    const double bottomLineH = fmBottom.height();
    const double leftLineH = fmLeft.height();

    // Bottom labels: all of one format, so the longest of the two ends gives their extent.
    double bottomExtent = 0;
    if (axesShown) {
        double w = std::max(fmBottom.horizontalAdvance(LabelOf(BottomAxis, BottomAxis.DrawMinimum())),
                            fmBottom.horizontalAdvance(LabelOf(BottomAxis, BottomAxis.DrawMaximum())));
        bottomExtent = kTick + kLabelGap + (BottomAxis.LabelsAngle == 90 ? w : bottomLineH);
    }
    const int plotTop = top;
    const int plotBottom = std::max(plotTop + 1, inner.bottom() - static_cast<int>(std::ceil(bottomExtent)));
    const double h = plotBottom - plotTop;
    const double leftPixTop = plotTop + h * LeftAxis.StartPosition() / 100 + margin;
    const double leftPixBottom = plotTop + h * LeftAxis.EndPosition() / 100 - margin;
    FLeftMap = {LeftAxis.DrawMinimum(), LeftAxis.DrawMaximum(), leftPixBottom, leftPixTop};
    FRightMap = {RightAxis.DrawMinimum(), RightAxis.DrawMaximum(), leftPixBottom, leftPixTop};

    FLeftLabels.clear();
    FLeftMinor.clear();
    FBottomLabels.clear();
    double leftLabelW = 0;
    QStringList leftTexts;
    if (axesShown) {
        const double span = LeftAxis.DrawMaximum() - LeftAxis.DrawMinimum();
        const int fit = LabelsThatFit(leftPixBottom - leftPixTop, leftLineH);
        FLeftStep = LeftAxis.DateTime() ? TimeLabelStep(LeftAxis.Increment(), span, fit)
                                        : ValueLabelStep(LeftAxis.Increment(), span, fit);
        FLeftLabels = LeftAxis.DateTime()
                          ? TimeLabelPositions(LeftAxis.DrawMinimum(), LeftAxis.DrawMaximum(), FLeftStep)
                          : ValueLabelPositions(LeftAxis.DrawMinimum(), LeftAxis.DrawMaximum(), FLeftStep);
        FLeftMinor = MinorTickPositions(FLeftLabels, FLeftStep, LeftAxis.MinorTickCount(), LeftAxis.DrawMinimum(),
                                        LeftAxis.DrawMaximum());
        for (double v : FLeftLabels) {
            leftTexts << LabelOf(LeftAxis, v);
            leftLabelW = std::max(leftLabelW, fmLeft.horizontalAdvance(leftTexts.back()));
        }
    }
    const double leftTitleW =
        axesShown && !LeftAxis.Title.isEmpty() ? fmLeftTitle.horizontalAdvance(LeftAxis.Title) + kPad : 0;
    const int plotLeft =
        inner.left() + static_cast<int>(std::ceil(axesShown ? leftTitleW + leftLabelW + kLabelGap + kTick : 0));
    // Room for half a turned label past the right end of the time axis.
    const int plotRight = std::max(plotLeft + 1, inner.right() - static_cast<int>(std::ceil(bottomLineH / 2)));
    FPlot = QRect(QPoint(plotLeft, plotTop), QPoint(plotRight, plotBottom));
    FBottomMap = {BottomAxis.DrawMinimum(), BottomAxis.DrawMaximum(), double(plotLeft + margin),
                  double(plotRight - margin)};
    FTopMap = {TopAxis.DrawMinimum(), TopAxis.DrawMaximum(), double(plotLeft + margin), double(plotRight - margin)};
    FLeftBand = QRect(QPoint(inner.left(), plotTop), QPoint(plotLeft - 1, plotBottom));
    FBottomBand = QRect(QPoint(plotLeft, plotBottom + 1), QPoint(plotRight, inner.bottom()));

    if (axesShown) {
        const double span = BottomAxis.DrawMaximum() - BottomAxis.DrawMinimum();
        const int fit = LabelsThatFit(FBottomMap.PixelTo - FBottomMap.PixelFrom,
                                      BottomAxis.LabelsAngle == 90 ? bottomLineH : fmBottom.averageCharWidth() * 12);
        FBottomStep = BottomAxis.DateTime() ? TimeLabelStep(BottomAxis.Increment(), span, fit)
                                            : ValueLabelStep(BottomAxis.Increment(), span, fit);
        FBottomLabels = BottomAxis.DateTime()
                            ? TimeLabelPositions(BottomAxis.DrawMinimum(), BottomAxis.DrawMaximum(), FBottomStep)
                            : ValueLabelPositions(BottomAxis.DrawMinimum(), BottomAxis.DrawMaximum(), FBottomStep);
        const std::vector<double> bottomMinor =
            MinorTickPositions(FBottomLabels, FBottomStep, BottomAxis.MinorTickCount(), BottomAxis.DrawMinimum(),
                               BottomAxis.DrawMaximum());

        // Grids first, so that the frame, the axes and the series lie over them.
        if (LeftAxis.GridVisible) {
            painter.setPen(QPen(LeftAxis.GridColor, 1, Qt::SolidLine));
            for (double v : FLeftLabels) {
                const int y = static_cast<int>(std::lround(FLeftMap.ToPixel(v)));
                painter.drawLine(plotLeft, y, plotRight, y);
            }
        }
        if (BottomAxis.GridVisible) {
            painter.setPen(QPen(BottomAxis.GridColor, 1, Qt::SolidLine));
            for (double v : FBottomLabels) {
                const int x = static_cast<int>(std::lround(FBottomMap.ToPixel(v)));
                painter.drawLine(x, plotTop, x, plotBottom);
            }
        }

        // Value axis: line, ticks, labels, title.
        painter.setPen(QPen(Qt::black, LeftAxis.AxisLineWidth));
        painter.drawLine(plotLeft, plotTop, plotLeft, plotBottom);
        painter.setPen(QPen(Qt::black, 1));
        for (double v : FLeftMinor) {
            const int y = static_cast<int>(std::lround(FLeftMap.ToPixel(v)));
            painter.drawLine(plotLeft - kMinorTick, y, plotLeft, y);
        }
        painter.setFont(LeftAxis.LabelsFont);
        for (std::size_t i = 0; i < FLeftLabels.size(); ++i) {
            const int y = static_cast<int>(std::lround(FLeftMap.ToPixel(FLeftLabels[i])));
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(plotLeft - kTick, y, plotLeft, y);
            painter.setPen(LeftAxis.LabelsColor);
            painter.drawText(
                QRectF(plotLeft - kTick - kLabelGap - leftLabelW, y - leftLineH / 2, leftLabelW, leftLineH),
                Qt::AlignRight | Qt::AlignVCenter, leftTexts[static_cast<int>(i)]);
        }
        if (!LeftAxis.Title.isEmpty()) {
            painter.setFont(LeftAxis.TitleFont);
            painter.setPen(LeftAxis.TitleColor);
            const double mid = (leftPixTop + leftPixBottom) / 2;
            painter.drawText(QRectF(inner.left(), mid - fmLeftTitle.height() / 2, leftTitleW, fmLeftTitle.height()),
                             Qt::AlignLeft | Qt::AlignVCenter, LeftAxis.Title);
        }

        // Time axis: line, ticks, labels (turned labels read from bottom to top and end at the tick).
        painter.setPen(QPen(Qt::black, BottomAxis.AxisLineWidth));
        painter.drawLine(plotLeft, plotBottom, plotRight, plotBottom);
        painter.setPen(QPen(Qt::black, 1));
        for (double v : bottomMinor) {
            const int x = static_cast<int>(std::lround(FBottomMap.ToPixel(v)));
            painter.drawLine(x, plotBottom, x, plotBottom + kMinorTick);
        }
        painter.setFont(BottomAxis.LabelsFont);
        for (double v : FBottomLabels) {
            const int x = static_cast<int>(std::lround(FBottomMap.ToPixel(v)));
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(x, plotBottom, x, plotBottom + kTick);
            painter.setPen(BottomAxis.LabelsColor);
            const QString text = LabelOf(BottomAxis, v);
            const double w = fmBottom.horizontalAdvance(text);
            if (BottomAxis.LabelsAngle == 90) {
                painter.save();
                painter.translate(x, plotBottom + kTick + kLabelGap + w);
                painter.rotate(-90);
                painter.drawText(QRectF(0, -bottomLineH / 2, w, bottomLineH), Qt::AlignLeft | Qt::AlignVCenter, text);
                painter.restore();
            } else {
                painter.drawText(QRectF(x - w / 2, plotBottom + kTick + kLabelGap, w, bottomLineH), Qt::AlignCenter,
                                 text);
            }
        }
    }

    // The plot frame: outline only, the background shows through.
    painter.setPen(QPen(WallPenColor, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(FPlot);

    // 4. Series, in order, clipped to the plot.
    painter.save();
    painter.setClipRect(FPlot.adjusted(1, 1, 0, 0), Qt::IntersectClip);
    for (const auto& s : FSeries) {
        if (!s->LinePenVisible() && !s->PointerVisible()) continue;
        const std::vector<TColumn> cols =
            ReduceToColumns(s->XValues(), s->YValues(), FBottomMap, FLeftMap, plotLeft, plotRight, plotTop, plotBottom);
        if (cols.empty()) continue;
        const QColor color = ToQColor(s->Color());
        if (s->LinePenVisible() && s->Stairs()) {
            // Stairs are axis-parallel, so each step is a filled rectangle as wide as the pen: far cheaper
            // than stroking one long polyline, and the same pixels as a square-capped pen.
            const int w = s->LineWidth(), h = w / 2;
            auto px = [](double v) { return static_cast<int>(std::lround(v)); };
            int prevY = px(cols.front().First);
            for (std::size_t i = 0; i < cols.size(); ++i) {
                const TColumn& c = cols[i];
                const int top = std::min(prevY, px(c.Min)), bottom = std::max(prevY, px(c.Max));
                painter.fillRect(QRect(c.X - h, top - h, w, bottom - top + w), color);
                prevY = px(c.Last);
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
                const int yi = static_cast<int>(std::lround(y));
                painter.fillRect(QRect(x - hs, yi - vs, 2 * hs + 1, 2 * vs + 1), color);
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

    // The legend lies over the top of the plot without shrinking it.
    if (Legend.Visible && !FSeries.empty()) {
        QFontMetricsF fm(Legend.Font);
        const double box = std::max(4.0, fm.height() - 6);
        double w = kPad;
        for (const auto& s : FSeries)
            w += box + kPad + fm.horizontalAdvance(QString::fromStdString(s->Title())) + 2 * kPad;
        const QRectF r(FPlot.center().x() - w / 2, plotTop + kPad, w, fm.height() + kPad);
        painter.fillRect(r, Legend.Background);
        painter.setFont(Legend.Font);
        double x = r.left() + kPad;
        for (const auto& s : FSeries) {
            painter.fillRect(QRectF(x, r.center().y() - box / 2, box, box), ToQColor(s->Color()));
            x += box + kPad;
            const QString t = QString::fromStdString(s->Title());
            painter.setPen(Legend.Color);
            painter.drawText(QRectF(x, r.top(), fm.horizontalAdvance(t) + 1, r.height()),
                             Qt::AlignLeft | Qt::AlignVCenter, t);
            x += fm.horizontalAdvance(t) + 2 * kPad;
        }
    }
    painter.restore();
}

void TPlot::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    const QSize px = size() * dpr;
    if (FDirty || FCache.size() != px) {
        FCache = QImage(px, QImage::Format_ARGB32_Premultiplied);
        FCache.setDevicePixelRatio(dpr);
        QPainter p(&FCache);
        FDirty = false;
        Draw(p, rect());
    }
    QPainter p(this);
    p.drawImage(0, 0, FCache);
    if (FZoomActive) {
        // Inverting outline: drawing it twice restores the picture.
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        p.setPen(QPen(Qt::black, 1, Qt::SolidLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(FZoomStart, FZoomCurrent).normalized());
    }
}

void TPlot::resizeEvent(QResizeEvent* event) {
    FDirty = true;
    QWidget::resizeEvent(event);
}

bool TPlot::CanStartGesture(QPoint pos) const {
    return FPlot.contains(pos) || FLeftBand.contains(pos) || FBottomBand.contains(pos);
}

void TPlot::mousePressEvent(QMouseEvent* event) {
    FEventModifiers = event->modifiers();
    TScopeExit done{[this] { FEventModifiers.reset(); }};
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        FLeftPressedInside = rect().contains(pos);
        if (!FZoomActive && !FScrollActive && CanStartGesture(pos)) {
            FZoomActive = true;
            FZoomStart = FZoomCurrent = pos;
            update();
        }
    } else if (event->button() == Qt::RightButton) {
        if (!FZoomActive && !FScrollActive && CanStartGesture(pos)) {
            FScrollActive = true;
            FScrollLast = pos;
        }
    }
    event->accept();
}

void TPlot::mouseMoveEvent(QMouseEvent* event) {
    FEventModifiers = event->modifiers();
    TScopeExit done{[this] { FEventModifiers.reset(); }};
    const QPoint pos = event->position().toPoint();
    if (FZoomActive && pos != FZoomCurrent) {
        FZoomCurrent = pos;
        update();
    }
    if (FScrollActive) {
        if (!FPlot.contains(pos))
            FScrollActive = false;  // leaving the plot ends the scroll; coming back does not resume it
        else if (pos != FScrollLast)
            ScrollTo(pos);
    }
    event->accept();
}

void TPlot::ScrollTo(QPoint pos) {
    FZoom.SaveIfRestored(Axes());
    if (pos.x() != FScrollLast.x()) {
        // The range moves against the pointer, so the data follow it.
        ShiftAxis(BottomAxis, FBottomMap.ToValue(FScrollLast.x()) - FBottomMap.ToValue(pos.x()));
        ShiftAxis(TopAxis, FTopMap.ToValue(FScrollLast.x()) - FTopMap.ToValue(pos.x()));
    }
    if (pos.y() != FScrollLast.y()) {
        ShiftAxis(LeftAxis, FLeftMap.ToValue(FScrollLast.y()) - FLeftMap.ToValue(pos.y()));
        ShiftAxis(RightAxis, FRightMap.ToValue(FScrollLast.y()) - FRightMap.ToValue(pos.y()));
    }
    FScrollLast = pos;
    Invalidate();
}

void TPlot::mouseReleaseEvent(QMouseEvent* event) {
    FEventModifiers = event->modifiers();
    TScopeExit done{[this] { FEventModifiers.reset(); }};
    const QPoint pos = event->position().toPoint();
    FScrollActive = false;
    if (event->button() == Qt::LeftButton) {
        const bool click = FLeftPressedInside && rect().contains(pos);
        FLeftPressedInside = false;
        if (click && OnClick) OnClick();
        if (FZoomActive) {
            FZoomActive = false;
            FZoomCurrent = pos;
            const int dx = pos.x() - FZoomStart.x(), dy = pos.y() - FZoomStart.y();
            if (std::abs(dx) > kMinDrag && std::abs(dy) > kMinDrag) {
                if (dx > 0 && dy > 0)
                    ZoomRect(QRect(FZoomStart, pos));
                else
                    UndoZoom();
            }
            update();  // erases the band
        }
    } else if (event->button() == Qt::RightButton && rect().contains(pos) && PopupMenu) {
        PopupMenu->popup(mapToGlobal(pos));
    }
    event->accept();
}

void TPlot::wheelEvent(QWheelEvent* event) {
    FEventModifiers = event->modifiers();
    TScopeExit done{[this] { FEventModifiers.reset(); }};
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(event->modifiers(), event->angleDelta().y(), event->position().toPoint(), handled);
    if (handled)
        event->accept();
    else
        event->ignore();
}

void TPlot::ZoomRect(const QRect& rect) {
    FZoom.SaveIfRestored(Axes());
    ZoomAxis(BottomAxis, FBottomMap.ToValue(rect.left()), FBottomMap.ToValue(rect.right()));
    ZoomAxis(TopAxis, FTopMap.ToValue(rect.left()), FTopMap.ToValue(rect.right()));
    ZoomAxis(LeftAxis, FLeftMap.ToValue(rect.bottom()), FLeftMap.ToValue(rect.top()));
    ZoomAxis(RightAxis, FRightMap.ToValue(rect.bottom()), FRightMap.ToValue(rect.top()));
    if (OnZoom) OnZoom();
    Invalidate();
}

void TPlot::UndoZoom() {
    FZoom.Restore(Axes());
    if (OnUndoZoom) OnUndoZoom();
    Invalidate();
}

void TPlot::PrintPage(QPrinter& printer) {
    printer.setDocName("Chart");
    QPainter painter;
    if (!painter.begin(&printer)) throw EChartPrintError("Printing failed: the print job could not be started");
    try {
        const int W = std::max(1, width()), H = std::max(1, height());
        const double R = static_cast<double>(printer.logicalDpiX()) / std::max(1, printer.logicalDpiY());
        const TPrintRect r = ProportionalPrintRect(W, H, printer.width(), printer.height(), R);
        // One render path: the page gets the on-screen draw, mapped from chart pixels to the rectangle.
        painter.setViewport(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
        painter.setWindow(0, 0, W, H);
        Draw(painter, QRect(0, 0, W, H));
        if (!painter.end() || printer.printerState() == QPrinter::Error)
            throw EChartPrintError("Printing failed: the print job could not be completed");
    } catch (...) {
        printer.abort();
        if (painter.isActive()) painter.end();
        Invalidate();
        throw;
    }
    // Items shown only for the print (a title, say) must not stay in the screen picture.
    Invalidate();
}

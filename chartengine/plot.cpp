#include "chartengine/plot.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "chartengine/scope_exit.h"

namespace {

constexpr int kMinDrag = 16;  // a zoom or undo drag must be longer than this both ways

}  // namespace

TPlot::TPlot(QWidget* parent) : QWidget(parent) {
    // The chart never takes the keyboard focus, so wheel input goes to the focused control.
    setFocusPolicy(Qt::NoFocus);
    // The context menu opens on the right button's release (after a scroll), never on the press.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMouseTracking(false);
}

TPlot::~TPlot() = default;

void TPlot::Changed() {
    // One request is enough until the next paint.
    if (FDirty) return;
    FDirty = true;
    update();
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
    return Layout().Plot.contains(pos) || Layout().LeftBand.contains(pos) || Layout().BottomBand.contains(pos);
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
        if (!Layout().Plot.contains(pos))
            FScrollActive = false;  // leaving the plot ends the scroll; coming back does not resume it
        else if (pos != FScrollLast) {
            ScrollBy(FScrollLast, pos);
            FScrollLast = pos;
        }
    }
    event->accept();
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

void TPlot::PrintPage(QPrinter& printer) {
    printer.setDocName("Chart");
    QPainter painter;
    if (!painter.begin(&printer)) throw EChartPrintError("Printing failed: the print job could not be started");
    try {
        const int W = std::max(1, width()), H = std::max(1, height());
        const double R = static_cast<double>(printer.logicalDpiX()) / std::max(1, printer.logicalDpiY());
        const chartscale::TPrintRect r = chartscale::ProportionalPrintRect(W, H, printer.width(), printer.height(), R);
        // One render path: the page gets the on-screen draw, mapped from chart pixels to the rectangle.
        DrawScaled(painter, QRectF(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), QSize(W, H));
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

#pragma once
// TPlot: a chart panel. The canvas (TPlotCanvas: axes, series, title, legend, layout and painting)
// shown in a widget, with zoom / undo / scroll gestures of the mouse and a one-page print. The screen
// and the page both get the canvas's draw.
#include <QImage>
#include <QMenu>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>
#include <stdexcept>

#include "chartengine/plot_canvas.h"

class QPrinter;

// Raised by TPlot::PrintPage when the print job cannot be started or completed.
class EChartPrintError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TPlot : public QWidget, public TPlotCanvas {
  public:
    explicit TPlot(QWidget* parent = nullptr);
    ~TPlot() override;

    // Hooks. OnClick runs when the left button is released inside the chart after a press inside it,
    // before the zoom gesture ends. OnMouseWheel gets the modifiers, the wheel movement (120 per
    // notch), the position and `handled` (false on entry); unhandled wheel input goes to the parent
    // widget. OnZoom and OnUndoZoom (of the canvas) run after a zoom or undo gesture too.
    std::function<void()> OnClick;
    std::function<void(Qt::KeyboardModifiers, int, QPoint, bool&)> OnMouseWheel;
    // Context menu, opened when the right button is released inside the chart (not owned). The widget's
    // own context-menu event is switched off (it would come on the press, in the middle of a scroll).
    QMenu* PopupMenu = nullptr;
    // The modifiers of the mouse or wheel event being handled, while a hook runs from one.
    std::optional<Qt::KeyboardModifiers> EventModifiers() const { return FEventModifiers; }

    // Prints the chart as one job named "Chart" with one page: the full draw at the on-screen size,
    // scaled into the proportional-margin rectangle of the page. On failure the job is aborted and
    // EChartPrintError (or the hook's exception) is passed on.
    void PrintPage(QPrinter& printer);

    bool ZoomGestureActive() const { return FZoomActive; }
    bool ScrollGestureActive() const { return FScrollActive; }

  protected:
    // Schedules one repaint: a parse adds a million points one by one.
    void Changed() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    bool CanStartGesture(QPoint pos) const;

    bool FDirty = true;
    QImage FCache;

    // Gestures.
    bool FZoomActive = false, FScrollActive = false, FLeftPressedInside = false;
    QPoint FZoomStart, FZoomCurrent, FScrollLast;
    std::optional<Qt::KeyboardModifiers> FEventModifiers;
};

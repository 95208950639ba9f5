#pragma once
// TMemoView: a read-only text panel over a TLineStore (the communication log and the data panel).
//
// Only the lines in sight are laid out and drawn, so the panel stays quick with a million lines.
// Lines are code page 1250 bytes and are shown as Unicode. The vertical scroll bar counts logical
// lines (with word wrap a long line takes several rows on screen but one step of the bar).
// Appending only stores the line and schedules one refresh (at most about 30 per second while the
// panel is shown, none while it is hidden), so a download that appends thousands of lines does not
// wait for drawing.
//
// Selection is by whole lines: click, drag, Shift+click, Shift+arrow keys, Ctrl+A. Ctrl+C copies
// the selected lines (joined with "\n") to the clipboard. The widget has no context menu of its
// own; the window attaches its own.
#include <QAbstractScrollArea>
#include <QMargins>
#include <QString>
#include <QTimer>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "data/line_store.h"

class TMemoView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    static constexpr std::size_t NoLine = static_cast<std::size_t>(-1);

    explicit TMemoView(QWidget* parent = nullptr);

    const TLineStore& Lines() const;
    // One line, code page 1250 bytes, no line end; the view scrolls to it.
    void AppendLine(std::string bytes);
    // Replaces all lines (the text then ends with a line end).
    void SetLines(std::vector<std::string> lines);
    // Replaces all lines, keeping the store's final line end (a loaded file ends as it ended).
    void SetStore(TLineStore store);
    void Clear();

    void SetWordWrap(bool on);
    bool WordWrap() const { return wordWrap_; }
    // Inner margins of the text inside the panel, pixels.
    void SetTextMargins(int left, int top, int right, int bottom);
    QMargins TextMargins() const { return margins_; }
    // Tab stops every `units` dialog units of the panel's font (a dialog unit is a quarter of the
    // font's average character width).
    void SetTabStopDialogUnits(int units);
    // The distance between tab stops in pixels for the current font.
    int TabStopPixels() const;

    // All lines joined with "\n" (Unicode); no "\n" after the last line.
    QString Text() const;
    // One line as Unicode.
    QString LineText(std::size_t index) const;

    // Selection of whole lines from `anchor` to `current` (either order). NoLine clears it.
    void SelectLines(std::size_t anchor, std::size_t current);
    void SelectAll();
    void ClearSelection();
    bool HasSelection() const { return anchor_ != NoLine; }
    std::size_t SelectionFirst() const;  // NoLine without a selection
    std::size_t SelectionLast() const;   // NoLine without a selection
    QString SelectedText() const;        // selected lines joined with "\n"; empty without a selection
    void CopySelection() const;          // to the clipboard; does nothing without a selection

    // The logical line shown at the top, and scrolling to put a line in sight.
    std::size_t FirstVisibleLine() const;
    void ScrollToLine(std::size_t index);
    // The logical line under a point of the viewport (the last line below the text; NoLine when
    // the panel is empty).
    std::size_t LineAt(QPoint viewportPos);
    // Applies a pending refresh at once (scroll range, scroll to the end, repaint request).
    void FlushPendingRefresh();
    // Whether a refresh is waiting for its time (only while the panel is shown).
    bool RefreshScheduled() const { return refreshTimer_.isActive(); }
    // The clock that spaces the refreshes, in milliseconds (monotonic); tests set their own.
    void SetClock(std::function<qint64()> msClock);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    struct VisibleLine {
        std::size_t Index;
        int Top;
        int Height;
    };

    void UpdateMetrics();
    QRect FormatRect() const;
    int RowsOf(std::size_t index, int width) const;
    std::vector<VisibleLine> LayoutVisible() const;
    void UpdateScrollRange();
    void UpdatePageStep();
    void ScheduleRefresh();
    // Milliseconds until the next refresh may run (0: now).
    qint64 RefreshWait() const;
    void Refresh();
    void MoveCursor(std::size_t to, bool extend);
    void EnsureVisible(std::size_t index);

    TLineStore lines_;
    bool wordWrap_ = false;
    QMargins margins_;
    int tabStopUnits_ = 32;
    int tabPixels_ = 1;   // tab stop distance for the current font
    int lineHeight_ = 1;  // height of one row on screen
    std::size_t anchor_ = NoLine;
    std::size_t cursor_ = NoLine;
    bool scrollToEnd_ = false;
    bool refreshPending_ = false;
    bool dragging_ = false;
    QTimer refreshTimer_;  // wakes the panel up; the clock decides whether a refresh is due
    std::function<qint64()> clock_;
    qint64 lastRefresh_ = -1;  // clock time of the last refresh; -1 before the first
};

#include "app/memo_view.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <climits>
#include <memory>

#include "base/cp1250.h"

namespace {

// Refreshes (scroll range, scroll to the end, repaint) while lines stream in are held this far
// apart, so a download's appends cost a store push and nothing else most of the time.
constexpr int kRefreshIntervalMs = 33;

QString ToUnicode(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (unsigned char b : bytes) *out++ = QChar(Cp1250ToUnicode(b));
    return text;
}

// Control characters other than TAB would break or confuse the layout (a CR received before the
// line feed stays in a reading line); they are shown as blanks and kept in the text.
QString ToDisplay(std::string_view bytes) {
    QString text = ToUnicode(bytes);
    for (QChar& c : text) {
        if (c.unicode() < 0x20 && c.unicode() != '\t') c = QChar(' ');
    }
    return text;
}

int ClampToInt(std::size_t value) { return value > static_cast<std::size_t>(INT_MAX) ? INT_MAX : int(value); }

}  // namespace

TMemoView::TMemoView(QWidget* parent) : QAbstractScrollArea(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    refreshTimer_.setSingleShot(true);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] {
        // A timer may fire a little early; then it waits for the rest.
        const qint64 wait = RefreshWait();
        if (wait > 0)
            refreshTimer_.start(static_cast<int>(wait));
        else
            Refresh();
    });
    SetClock(nullptr);
    UpdateMetrics();
    UpdateScrollRange();
}

const TLineStore& TMemoView::Lines() const { return lines_; }

void TMemoView::AppendLine(std::string bytes) {
    lines_.Append(std::move(bytes));
    scrollToEnd_ = true;
    ScheduleRefresh();
}

void TMemoView::SetLines(std::vector<std::string> lines) {
    TLineStore store;
    store.Assign(std::move(lines));
    SetStore(std::move(store));
}

void TMemoView::SetStore(TLineStore store) {
    lines_ = std::move(store);
    anchor_ = cursor_ = NoLine;
    scrollToEnd_ = false;
    verticalScrollBar()->setValue(0);
    Refresh();
}

void TMemoView::Clear() { SetStore(TLineStore()); }

void TMemoView::SetWordWrap(bool on) {
    if (wordWrap_ == on) return;
    wordWrap_ = on;
    Refresh();
}

void TMemoView::SetTextMargins(int left, int top, int right, int bottom) {
    margins_ = QMargins(left, top, right, bottom);
    Refresh();
}

void TMemoView::SetTabStopDialogUnits(int units) {
    tabStopUnits_ = std::max(1, units);
    UpdateMetrics();
    Refresh();
}

int TMemoView::TabStopPixels() const { return tabPixels_; }

void TMemoView::UpdateMetrics() {
    const QFontMetrics fm(font());
    lineHeight_ = std::max(1, fm.height());
    // Horizontal dialog base unit: the average width of the Latin letters, rounded.
    const int cx = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = (cx / 26 + 1) / 2;
    tabPixels_ = std::max(1, (tabStopUnits_ * baseX + 2) / 4);
}

QString TMemoView::Text() const {
    QString text;
    text.reserve(static_cast<qsizetype>(lines_.ByteCount() + lines_.Count()));
    for (std::size_t i = 0; i < lines_.Count(); ++i) {
        if (i > 0) text += QChar('\n');
        text += ToUnicode(lines_[i]);
    }
    return text;
}

QString TMemoView::LineText(std::size_t index) const {
    return index < lines_.Count() ? ToUnicode(lines_[index]) : QString();
}

void TMemoView::SelectLines(std::size_t anchor, std::size_t current) {
    const std::size_t n = lines_.Count();
    if (anchor == NoLine || current == NoLine || n == 0) {
        ClearSelection();
        return;
    }
    anchor_ = std::min(anchor, n - 1);
    cursor_ = std::min(current, n - 1);
    viewport()->update();
}

void TMemoView::SelectAll() {
    if (lines_.Empty()) return;
    SelectLines(0, lines_.Count() - 1);
}

void TMemoView::ClearSelection() {
    anchor_ = cursor_ = NoLine;
    viewport()->update();
}

std::size_t TMemoView::SelectionFirst() const { return HasSelection() ? std::min(anchor_, cursor_) : NoLine; }

std::size_t TMemoView::SelectionLast() const { return HasSelection() ? std::max(anchor_, cursor_) : NoLine; }

QString TMemoView::SelectedText() const {
    if (!HasSelection()) return QString();
    QString text;
    for (std::size_t i = SelectionFirst(); i <= SelectionLast() && i < lines_.Count(); ++i) {
        if (i > SelectionFirst()) text += QChar('\n');
        text += ToUnicode(lines_[i]);
    }
    return text;
}

void TMemoView::CopySelection() const {
    if (!HasSelection()) return;
    QGuiApplication::clipboard()->setText(SelectedText());
}

std::size_t TMemoView::FirstVisibleLine() const { return static_cast<std::size_t>(verticalScrollBar()->value()); }

void TMemoView::ScrollToLine(std::size_t index) {
    FlushPendingRefresh();
    verticalScrollBar()->setValue(ClampToInt(index));
}

QRect TMemoView::FormatRect() const { return viewport()->rect().marginsRemoved(margins_); }

int TMemoView::RowsOf(std::size_t index, int width) const {
    if (!wordWrap_ || width <= 0) return 1;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(tabPixels_);
    QTextLayout layout(ToDisplay(lines_[index]), font());
    layout.setTextOption(option);
    layout.beginLayout();
    int rows = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++rows;
    }
    layout.endLayout();
    return std::max(rows, 1);
}

std::vector<TMemoView::VisibleLine> TMemoView::LayoutVisible() const {
    std::vector<VisibleLine> visible;
    const QRect r = FormatRect();
    const int lineHeight = lineHeight_;
    const std::size_t n = lines_.Count();
    int y = r.top();
    for (std::size_t i = FirstVisibleLine(); i < n && y <= r.bottom(); ++i) {
        const int h = RowsOf(i, r.width()) * lineHeight;
        visible.push_back({i, y, h});
        y += h;
    }
    return visible;
}

void TMemoView::UpdateScrollRange() {
    const QRect r = FormatRect();
    const int lineHeight = lineHeight_;
    const int avail = std::max(lineHeight, r.height());
    const std::size_t rowsFit = static_cast<std::size_t>(std::max(1, avail / lineHeight));
    const std::size_t n = lines_.Count();
    std::size_t lastFirst = 0;
    if (!wordWrap_) {
        lastFirst = n > rowsFit ? n - rowsFit : 0;
    } else {
        // How many of the last lines fit on one screen: the bar stops when the last line shows.
        int used = 0;
        std::size_t fit = 0;
        for (std::size_t i = n; i > 0; --i) {
            const int h = RowsOf(i - 1, r.width()) * lineHeight;
            if (fit > 0 && used + h > avail) break;
            used += h;
            ++fit;
            if (used >= avail) break;
        }
        lastFirst = n - fit;
    }
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, ClampToInt(lastFirst));
    bar->setSingleStep(1);
    UpdatePageStep();
}

void TMemoView::UpdatePageStep() {
    std::size_t page = static_cast<std::size_t>(std::max(1, FormatRect().height() / lineHeight_));
    if (wordWrap_) {
        // A page is the logical lines fully in sight, so paging never skips a line.
        const int bottom = FormatRect().bottom() + 1;
        page = 0;
        for (const VisibleLine& v : LayoutVisible()) page += v.Top + v.Height <= bottom ? 1 : 0;
        page = std::max<std::size_t>(page, 1);
    }
    verticalScrollBar()->setPageStep(ClampToInt(page));
}

void TMemoView::SetClock(std::function<qint64()> msClock) {
    if (!msClock) {
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        msClock = [started] { return started->elapsed(); };
    }
    clock_ = std::move(msClock);
    lastRefresh_ = -1;
}

qint64 TMemoView::RefreshWait() const {
    if (lastRefresh_ < 0) return 0;
    return std::max<qint64>(0, kRefreshIntervalMs - (clock_() - lastRefresh_));
}

void TMemoView::ScheduleRefresh() {
    refreshPending_ = true;
    if (!isVisible()) return;  // showEvent refreshes
    const qint64 wait = RefreshWait();
    // A waiting timer is left alone until the refresh is due; then it fires at the next turn.
    if (refreshTimer_.isActive() && wait > 0) return;
    refreshTimer_.start(static_cast<int>(wait));
}

void TMemoView::Refresh() {
    refreshTimer_.stop();
    refreshPending_ = true;
    if (!isVisible()) return;
    refreshPending_ = false;
    lastRefresh_ = clock_();
    UpdateScrollRange();
    if (scrollToEnd_) {
        scrollToEnd_ = false;
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    viewport()->update();
}

void TMemoView::FlushPendingRefresh() {
    if (!refreshPending_) return;
    // Hidden panels get their range now too, so a caller can rely on it.
    refreshTimer_.stop();
    refreshPending_ = !isVisible();
    UpdateScrollRange();
    if (scrollToEnd_) {
        scrollToEnd_ = false;
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    viewport()->update();
}

void TMemoView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QRect r = FormatRect();
    painter.setClipRect(r);
    painter.setFont(font());
    const int lineHeight = lineHeight_;

    QTextOption option;
    option.setWrapMode(wordWrap_ ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTabStopDistance(tabPixels_);

    const QPalette& pal = palette();
    const std::size_t selFirst = SelectionFirst();
    const std::size_t selLast = SelectionLast();
    for (const VisibleLine& v : LayoutVisible()) {
        const bool selected = HasSelection() && v.Index >= selFirst && v.Index <= selLast;
        if (selected) painter.fillRect(QRect(r.left(), v.Top, r.width(), v.Height), pal.color(QPalette::Highlight));
        painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));

        QTextLayout layout(ToDisplay(lines_[v.Index]), font());
        layout.setTextOption(option);
        layout.beginLayout();
        int row = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            // Without wrap (NoWrap) the width does not cut the text; the clip ends it at the margin.
            line.setLineWidth(r.width());
            line.setPosition(QPointF(0, row * lineHeight));
            ++row;
        }
        layout.endLayout();
        layout.draw(&painter, QPointF(r.left(), v.Top));
    }
}

void TMemoView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Refresh();
}

void TMemoView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    if (refreshPending_) Refresh();
}

void TMemoView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateMetrics();
        Refresh();
    }
}

void TMemoView::scrollContentsBy(int, int) {
    if (wordWrap_) UpdatePageStep();
    viewport()->update();
}

void TMemoView::EnsureVisible(std::size_t index) {
    FlushPendingRefresh();
    if (index >= lines_.Count()) return;
    const std::size_t first = FirstVisibleLine();
    if (index < first) {
        verticalScrollBar()->setValue(ClampToInt(index));
        return;
    }
    const QRect r = FormatRect();
    const int lineHeight = lineHeight_;
    for (const VisibleLine& v : LayoutVisible()) {
        if (v.Index == index && v.Top + v.Height <= r.bottom() + 1) return;  // fully in sight
    }
    // Put the line at the bottom: walk back while the lines above it still fit.
    int used = RowsOf(index, r.width()) * lineHeight;
    std::size_t top = index;
    while (top > 0) {
        const int h = RowsOf(top - 1, r.width()) * lineHeight;
        if (used + h > r.height()) break;
        used += h;
        --top;
    }
    verticalScrollBar()->setValue(ClampToInt(top));
}

void TMemoView::MoveCursor(std::size_t to, bool extend) {
    if (lines_.Empty()) return;
    to = std::min(to, lines_.Count() - 1);
    if (!extend || anchor_ == NoLine) anchor_ = to;
    cursor_ = to;
    EnsureVisible(to);
    viewport()->update();
}

void TMemoView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        event->accept();
        return;
    }
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    const std::size_t n = lines_.Count();
    QScrollBar* bar = verticalScrollBar();
    const std::size_t page = static_cast<std::size_t>(std::max(1, bar->pageStep()));
    const std::size_t cur = cursor_ != NoLine ? cursor_ : FirstVisibleLine();
    // Shift+key without a selection starts one at the top line in sight.
    if (shift && anchor_ == NoLine && n > 0) anchor_ = cursor_ = std::min(cur, n - 1);
    switch (event->key()) {
        case Qt::Key_Up:
            if (shift)
                MoveCursor(cur > 0 ? cur - 1 : 0, true);
            else
                bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case Qt::Key_Down:
            if (shift)
                MoveCursor(cur + 1, true);
            else
                bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        case Qt::Key_PageUp:
            if (shift)
                MoveCursor(cur > page ? cur - page : 0, true);
            else
                bar->triggerAction(QAbstractSlider::SliderPageStepSub);
            break;
        case Qt::Key_PageDown:
            if (shift)
                MoveCursor(cur + page, true);
            else
                bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
            break;
        case Qt::Key_Home:
            if (shift)
                MoveCursor(0, true);
            else
                bar->triggerAction(QAbstractSlider::SliderToMinimum);
            break;
        case Qt::Key_End:
            if (shift)
                MoveCursor(n > 0 ? n - 1 : 0, true);
            else
                bar->triggerAction(QAbstractSlider::SliderToMaximum);
            break;
        case Qt::Key_Escape:
            if (!HasSelection()) return QAbstractScrollArea::keyPressEvent(event);
            ClearSelection();
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
}

std::size_t TMemoView::LineAt(QPoint viewportPos) {
    if (lines_.Empty()) return NoLine;
    FlushPendingRefresh();
    const std::vector<VisibleLine> visible = LayoutVisible();
    if (visible.empty()) return std::min(FirstVisibleLine(), lines_.Count() - 1);
    if (viewportPos.y() < visible.front().Top) return visible.front().Index;
    for (const VisibleLine& v : visible) {
        if (viewportPos.y() < v.Top + v.Height) return v.Index;
    }
    return visible.back().Index;
}

void TMemoView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const std::size_t line = LineAt(event->position().toPoint());
    if (line == NoLine) {
        ClearSelection();
        return;
    }
    if (event->modifiers().testFlag(Qt::ShiftModifier) && anchor_ != NoLine)
        cursor_ = line;
    else
        anchor_ = cursor_ = line;
    dragging_ = true;
    viewport()->update();
    event->accept();
}

void TMemoView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !event->buttons().testFlag(Qt::LeftButton)) return;
    const QPoint pos = event->position().toPoint();
    const QRect r = FormatRect();
    QScrollBar* bar = verticalScrollBar();
    // Dragging past the edge scrolls one line per move, like a text panel.
    if (pos.y() < r.top()) bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (pos.y() > r.bottom()) bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    const std::size_t line = LineAt(pos);
    if (line != NoLine) cursor_ = line;
    viewport()->update();
    event->accept();
}

void TMemoView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
    QAbstractScrollArea::mouseReleaseEvent(event);
}

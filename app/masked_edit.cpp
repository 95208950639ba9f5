#include "app/masked_edit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>

namespace {

// Runs a pending leave check before a mouse release reaches any widget, and swallows the release
// when the check keeps the focus in its field: otherwise the button pressed to leave the field
// would run its handler before (or besides) the check.
class TLeaveCheckGuard : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonRelease || !watched->isWidgetType()) return false;
        return !TMaskEdit::RunPendingLeaveCheck();
    }
};

void InstallLeaveCheckGuard() {
    static QPointer<TLeaveCheckGuard> guard;
    if (guard || !qApp) return;
    guard = new TLeaveCheckGuard(qApp);
    qApp->installEventFilter(guard);
}

}  // namespace

TMaskEdit* TMaskEdit::pendingLeave_ = nullptr;

TMaskEdit::TMaskEdit(const QString& editMask, QWidget* parent) : QLineEdit(parent) {
    InstallLeaveCheckGuard();
    const QStringList parts = editMask.split(QLatin1Char(';'));
    pattern_ = parts.value(0);
    if (pattern_.startsWith(QLatin1Char('!'))) pattern_.remove(0, 1);
    if (parts.size() > 2 && !parts[2].isEmpty()) blank_ = parts[2].at(0);

    // Qt's own mask does the typing (overwrite, cursor over literals); every literal is escaped
    // so that no character of ours is taken for one of Qt's mask codes. Qt's "0" lets a digit be
    // missing, which is what lets the leave check below decide instead.
    QString qtMask;
    for (QChar c : pattern_) {
        if (c == QLatin1Char('0')) {
            qtMask += c;
        } else {
            qtMask += QLatin1Char('\\');
            qtMask += c;
        }
    }
    qtMask += QLatin1Char(';');
    qtMask += blank_;
    setInputMask(qtMask);
    setMaxLength(static_cast<int>(pattern_.size()));
    savedText_ = text();
}

TMaskEdit::~TMaskEdit() {
    if (pendingLeave_ == this) pendingLeave_ = nullptr;
}

bool TMaskEdit::IsDigitPosition(int i) const { return pattern_.at(i) == QLatin1Char('0'); }

QString TMaskEdit::text() const {
    // The displayed text shows the blank character where nothing was typed; the field's text has
    // a space there instead.
    QString shown = displayText();
    QString result = pattern_;
    for (int i = 0; i < result.size(); ++i) {
        if (!IsDigitPosition(i)) continue;
        const QChar c = i < shown.size() ? shown.at(i) : QLatin1Char(' ');
        result[i] = c.isDigit() ? c : QLatin1Char(' ');
    }
    return result;
}

void TMaskEdit::setText(const QString& text) {
    QString masked = pattern_;
    for (int i = 0; i < masked.size(); ++i) {
        if (!IsDigitPosition(i)) continue;
        const QChar c = i < text.size() ? text.at(i) : QChar();
        masked[i] = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ? c : blank_;
    }
    QLineEdit::setText(masked);
    setModified(false);
    savedText_ = this->text();
}

QString TMaskEdit::EmptyText() const {
    QString result = pattern_;
    for (int i = 0; i < result.size(); ++i)
        if (IsDigitPosition(i)) result[i] = QLatin1Char(' ');
    return result;
}

bool TMaskEdit::IsComplete() const {
    const QString t = text();
    for (int i = 0; i < pattern_.size(); ++i)
        if (IsDigitPosition(i) && !t.at(i).isDigit()) return false;
    return true;
}

bool TMaskEdit::CheckLeave() {
    if (!isModified() || IsComplete()) return true;
    if (invalidInput_)
        invalidInput_(QString::fromLatin1(InvalidInputMessage));
    else
        QApplication::beep();
    // Back into the field, at the first position still missing its digit.
    setFocus(Qt::OtherFocusReason);
    const QString t = text();
    for (int i = 0; i < pattern_.size(); ++i) {
        if (IsDigitPosition(i) && !t.at(i).isDigit()) {
            setCursorPosition(i);
            break;
        }
    }
    return false;
}

bool TMaskEdit::RunPendingLeaveCheck() { return pendingLeave_ ? pendingLeave_->RunLeaveCheck() : true; }

bool TMaskEdit::RunLeaveCheck() {
    if (pendingLeave_ == this) pendingLeave_ = nullptr;
    if (!leavePending_) return true;
    leavePending_ = false;
    if (hasFocus()) return true;  // came back already
    // The button whose press took the focus, if it is still held down.
    auto* pressed = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
    if (!CheckLeave()) {
        if (pressed && pressed->isDown()) pressed->setDown(false);
        return false;
    }
    emit Exited();
    return true;
}

void TMaskEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (!isModified()) savedText_ = text();
}

void TMaskEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Switching to another window or opening a menu does not leave the field.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    // The check may show a modal box; run it after the focus change has finished, not inside it,
    // or at the release of the button pressed to leave the field, whichever comes first.
    leavePending_ = true;
    pendingLeave_ = this;
    QMetaObject::invokeMethod(
        this, [this] { RunLeaveCheck(); }, Qt::QueuedConnection);
}

void TMaskEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && isModified()) {
        setText(savedText_);
        selectAll();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

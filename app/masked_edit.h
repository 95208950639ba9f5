#pragma once
// A single-line field with an edit mask whose text keeps the mask's full length.
//
// The mask is written "pattern;keep;blank", e.g. "!0000-00-00 00:00:00;1;_": in the pattern "0" is
// a required digit and every other character a literal that stays in the text; a leading "!" is
// ignored; `blank` is shown in positions not yet typed. text() always has the pattern's length,
// with a space in every digit position not typed: the empty text of "!00:00:00;1;_" is "  :  :  ".
//
// Leave check: when the focus leaves a field whose text the user changed while a required digit
// is missing, the field calls its invalid-input handler with InvalidInputMessage (the window beeps
// and reports it) and takes the focus back. Escape abandons the change: the text returns to what it
// was when the field got the focus (or was last set). A field left with an acceptable text emits
// Exited().
//
// The check runs once the focus change has finished, and at the latest when the mouse button
// whose press moved the focus is released: a click on a button that leaves a field with a missing
// digit shows the one message and does not click the button.
#include <QLineEdit>
#include <QString>
#include <functional>

class TMaskEdit : public QLineEdit {
    Q_OBJECT
  public:
    static constexpr const char* InvalidInputMessage = "Invalid input value.  Use escape key to abandon changes";

    explicit TMaskEdit(const QString& editMask, QWidget* parent = nullptr);
    ~TMaskEdit() override;

    // The field's text: the pattern's length, a space for each digit not typed. Hides
    // QLineEdit::text(), which drops the untyped positions.
    QString text() const;
    // Sets the text position by position: a digit position takes the digit at the same index or
    // stays blank; literals stay as the pattern has them. Clears the modified flag.
    void setText(const QString& text);

    const QString& Pattern() const { return pattern_; }
    // The text with no position typed.
    QString EmptyText() const;
    // Whether every digit position holds a digit.
    bool IsComplete() const;

    // Called with InvalidInputMessage when the leave check fails; the field takes the focus back
    // after it returns. Without a handler the field only beeps.
    void SetInvalidInputHandler(std::function<void(const QString&)> handler) { invalidInput_ = std::move(handler); }

    // The leave check, as run after the focus left; also callable directly. Returns whether the
    // field may be left.
    bool CheckLeave();

    // Runs the leave check of a field that lost the focus and has not been checked yet, if any.
    // Returns false when that check kept the focus in the field (a button still held down by the
    // press that moved the focus is let up, so its release does not click it).
    static bool RunPendingLeaveCheck();

  signals:
    // The focus left the field and its text passed the leave check.
    void Exited();

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool IsDigitPosition(int i) const;
    bool RunLeaveCheck();

    bool leavePending_ = false;       // the focus left and the check has not run yet
    static TMaskEdit* pendingLeave_;  // the field left last, until its check ran

    QString pattern_;
    QChar blank_ = QLatin1Char('_');
    QString savedText_;  // what Escape returns to
    std::function<void(const QString&)> invalidInput_;
};

#pragma once
// The one seam through which the main window shows message boxes and dialogs. The program uses
// TQtDialogs; tests put in their own implementation that records what was shown and answers.
#include <QString>
#include <memory>
#include <optional>

class QPrinter;
class QWidget;

// A file dialog's settings, kept between uses like a dialog component on the form.
struct TFileDialog {
    QString FileName;    // proposed name before Execute, chosen name after a confirmed Execute
    QString DefaultExt;  // without the dot; added to a chosen name that has no extension
    QString Filter;      // e.g. "*.log"
};

enum class TFileDialogKind { Open, Save };
enum class TMessageIcon { None, Error };

class TDialogs {
  public:
    virtual ~TDialogs() = default;

    // A modal message box with the one button OK.
    virtual void ShowMessage(QWidget* owner, const QString& caption, const QString& text, TMessageIcon icon) = 0;
    // A modal box with the buttons Yes and No and no icon; true for Yes.
    virtual bool AskYesNo(QWidget* owner, const QString& caption, const QString& text) = 0;
    // The standard open or save dialog. Returns the name the user chose, as chosen, or nothing when
    // the user cancelled. The open dialog does not insist that the file exists; the save dialog
    // does not ask before replacing one.
    virtual std::optional<QString> ChooseFile(QWidget* owner, TFileDialogKind kind, const TFileDialog& dialog) = 0;
    // The standard print dialog for `printer`; true when the user confirmed it.
    virtual bool ChoosePrinter(QWidget* owner, QPrinter& printer) = 0;
    // The short warning sound of a refused input.
    virtual void Beep() = 0;
};

// The real dialogs of the desktop.
class TQtDialogs : public TDialogs {
  public:
    void ShowMessage(QWidget* owner, const QString& caption, const QString& text, TMessageIcon icon) override;
    bool AskYesNo(QWidget* owner, const QString& caption, const QString& text) override;
    std::optional<QString> ChooseFile(QWidget* owner, TFileDialogKind kind, const TFileDialog& dialog) override;
    bool ChoosePrinter(QWidget* owner, QPrinter& printer) override;
    void Beep() override;
};

// Runs `dialog` through `dialogs`. On confirmation stores the chosen name, with "." + DefaultExt
// added when the name has no extension, in dialog.FileName and returns true; on cancel leaves
// dialog.FileName unchanged and returns false.
bool ExecuteFileDialog(TDialogs& dialogs, QWidget* owner, TFileDialogKind kind, TFileDialog& dialog);

#include "app/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

void TQtDialogs::ShowMessage(QWidget* owner, const QString& caption, const QString& text, TMessageIcon icon) {
    QMessageBox box(icon == TMessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, caption, text,
                    QMessageBox::Ok, owner);
    box.exec();
}

bool TQtDialogs::AskYesNo(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> TQtDialogs::ChooseFile(QWidget* owner, TFileDialogKind kind, const TFileDialog& dialog) {
    QFileDialog box(owner);
    box.setAcceptMode(kind == TFileDialogKind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Any name may be typed into the open dialog (a missing file is reported when it is read), and
    // the save dialog replaces a file without asking.
    box.setFileMode(QFileDialog::AnyFile);
    box.setOption(QFileDialog::DontConfirmOverwrite, true);
    box.setNameFilter(dialog.Filter);
    // The extension is added by ExecuteFileDialog so that every dialog behaves the same.
    const QFileInfo proposed(dialog.FileName);
    if (!dialog.FileName.isEmpty() && !dialog.FileName.contains(QLatin1Char('*'))) {
        if (proposed.isAbsolute()) box.setDirectory(proposed.absolutePath());
        box.selectFile(proposed.fileName());
    }
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return std::nullopt;
    return box.selectedFiles().first();
}

bool TQtDialogs::ChoosePrinter(QWidget* owner, QPrinter& printer) {
    QPrintDialog box(&printer, owner);
    return box.exec() == QDialog::Accepted;
}

void TQtDialogs::Beep() { QApplication::beep(); }

bool ExecuteFileDialog(TDialogs& dialogs, QWidget* owner, TFileDialogKind kind, TFileDialog& dialog) {
    std::optional<QString> chosen = dialogs.ChooseFile(owner, kind, dialog);
    if (!chosen || chosen->isEmpty()) return false;
    QString name = *chosen;
    if (!dialog.DefaultExt.isEmpty() && QFileInfo(name).suffix().isEmpty() && !name.endsWith(QLatin1Char('.')))
        name += QLatin1Char('.') + dialog.DefaultExt;
    dialog.FileName = name;
    return true;
}

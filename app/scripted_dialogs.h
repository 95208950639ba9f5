#pragma once
// Dialogs for tests: records every box and dialog the window shows and answers from queues set
// up by the test. With an empty queue a question is answered No, a file dialog is cancelled and the
// print dialog is cancelled.
#include <QPrinter>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "app/dialogs.h"

struct TShownMessage {
    QString Caption;
    QString Text;
    TMessageIcon Icon = TMessageIcon::None;
};

struct TShownFileDialog {
    TFileDialogKind Kind;
    TFileDialog Dialog;  // as it was when shown
};

class TScriptedDialogs : public TDialogs {
  public:
    std::vector<TShownMessage> Messages;        // message boxes, in order
    std::vector<TShownMessage> Questions;       // Yes/No boxes, in order
    std::deque<bool> YesNoAnswers;              // answers to the next Yes/No boxes
    std::vector<TShownFileDialog> FileDialogs;  // open and save dialogs, in order
    std::deque<QString> FileAnswers;            // chosen names; a null QString() cancels
    int PrintDialogs = 0;                       // print dialogs shown
    std::deque<bool> PrintAnswers;              // confirm the next print dialogs?
    QString PdfPath;                            // a confirmed print goes to this PDF file
    int Beeps = 0;
    std::function<void(const TShownMessage&)> OnMessage;  // runs inside each message box

    void ShowMessage(QWidget*, const QString& caption, const QString& text, TMessageIcon icon) override {
        Messages.push_back({caption, text, icon});
        if (OnMessage) OnMessage(Messages.back());
    }
    bool AskYesNo(QWidget*, const QString& caption, const QString& text) override {
        Questions.push_back({caption, text, TMessageIcon::None});
        return Pop(YesNoAnswers, false);
    }
    std::optional<QString> ChooseFile(QWidget*, TFileDialogKind kind, const TFileDialog& dialog) override {
        FileDialogs.push_back({kind, dialog});
        const QString answer = Pop(FileAnswers, QString());
        if (answer.isNull()) return std::nullopt;
        return answer;
    }
    bool ChoosePrinter(QWidget*, QPrinter& printer) override {
        ++PrintDialogs;
        const bool confirmed = Pop(PrintAnswers, false);
        if (confirmed && !PdfPath.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(PdfPath);
        }
        return confirmed;
    }
    void Beep() override { ++Beeps; }

  private:
    template <class T>
    static T Pop(std::deque<T>& queue, T empty) {
        if (queue.empty()) return empty;
        T front = std::move(queue.front());
        queue.pop_front();
        return front;
    }
};

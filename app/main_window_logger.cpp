// TForm1: the logger's buttons, fields and clock. The protocol itself lives in Session; these
// handlers take the texts from the fields, ask the user where needed and show the outcome.
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include "app/main_window.h"
#include "app/masked_edit.h"
#include "app/memo_view.h"
#include "base/cp1250.h"
#include "data/data_file.h"
#include "logger/logger_time.h"

namespace {

// The file every download rewrites, in the working directory.
constexpr const char* DownloadFile = "data.log";

// A field's text as the bytes that go to the logger (code page 1250, ASCII in practice).
std::string ToBytes(const QString& text) { return Utf8ToCp1250(text.toStdString()); }

}  // namespace

// Searches the virtual COM ports for a logger and shows its model, clock and battery.
void TForm1::btConnectClick() {
    ClearData();
    if (!Session.Connect()) ShowMessage(QStringLiteral("No device found"));
}

// Reads the logger's clock, recording settings and battery and proposes the read range.
void TForm1::btReadCfgClick() {
    if (Connected) Session.ReadLoggerSettings();
}

// Sets the logger's clock to now and writes the recording start, stop and interval. A text that is
// not a time ends it with its conversion error before anything is sent.
void TForm1::btWriteCfgClick() {
    if (!Connected) return;
    Session.WriteLoggerSettings(ToBytes(meStart->text()), ToBytes(meStop->text()), ToBytes(mePeriod->text()));
}

// Erases the logger's memory after a Yes/No confirmation.
void TForm1::btNewClick() {
    if (!Dialogs().AskYesNo(this, QStringLiteral("Nowa rejestracja."),
                            QStringLiteral("Kasowanie danych rejestratora !\nKontynuować ?")))
        return;
    Session.EraseLogger();
}

// Takes the interval typed into mePeriod when the focus leaves it: below two seconds it becomes
// "00:00:02".
void TForm1::mePeriodExit() {
    const std::string text = ToBytes(mePeriod->text());
    const std::string shown = lorv::MinimumIntervalText(LoggerFormat, text);
    if (shown != text) mePeriod->setText(QString::fromLatin1(shown));
}

// Shows the logger clock: the last "T?" answer plus the time elapsed since, so a tick that came
// late (a busy window) does not make the display fall behind.
void TForm1::Timer2Timer() {
    meDT->setText(QString::fromLatin1(LoggerFormat.DateTimeToText(Session.DisplayedLoggerClock())));
}

// Works out the first and end reading index of the read range into Edit1 and Edit2.
void TForm1::Button1Click() {
    Session.ComputeReadRange(ToBytes(meRdStart->text()), ToBytes(meRdStop->text()));
    Edit1->setText(QString::number(Session.ReadFirstIndex));
    Edit2->setText(QString::number(Session.ReadEndIndex));
}

// Starts the download of the read range, or stops a running one. The download lets window events
// run, so this handler also runs inside it: that press lets sbRead up, which the download sees.
void TForm1::sbReadClick() {
    Button1Click();
    if (!sbRead->isChecked()) return;
    const TLoggerSession::DownloadResult result = Session.DownloadReadings();
    Edit1->setText(QString::number(result.Next));
    if (!result.Started) return;  // no new data: the button stays down until the next press
    sbRead->setChecked(false);
    // Written whole or not at all; when it fails the error report ends the press here and the
    // received lines stay in the panel.
    readings::SaveLinesFile(DownloadFile, Memo2->Lines());
    Chart->SetDataFileName(QString::fromLatin1(DownloadFile));
    // The parse adds every line of the panel, so the series start empty to hold each point once.
    ClearSeries();
    ParseDataLines();
}

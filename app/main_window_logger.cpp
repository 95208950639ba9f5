// TForm1: the logger's buttons, fields and clock. The protocol itself lives in Session, which
// returns what it learned as values; these handlers take the texts from the fields, ask the user
// where needed and turn the values into the window's texts.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include "app/download_archiving.h"
#include "app/main_window.h"
#include "app/masked_edit.h"
#include "app/memo_view.h"
#include "base/cp1250.h"
#include "base/errors.h"
#include "data/data_file.h"
#include "logger/logger_time.h"
#include "logger/reading_download.h"
#include "serial/port_diagnosis_text.h"
#include "serial/ttyless_adapter_text.h"

namespace {

// The file every download rewrites, in the working directory.
constexpr const char* DownloadFile = "data.log";

// A field's text as the bytes that go to the logger (code page 1250, ASCII in practice).
std::string ToBytes(const QString& text) { return Utf8ToCp1250(text.toStdString()); }

// Bytes from the logger as a field's text.
QString FromBytes(const std::string& bytes) { return QString::fromStdString(Cp1250ToUtf8(bytes)); }

// Two parts of one report, each a sentence of its own.
std::string JoinedProblems(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + ".\n" + second;
}

// What a finished download fell short of, for the general error report; empty when nothing did.
// The noise dropped in front of readings is no shortfall and is named only beside one.
std::string DownloadProblems(const TDownloadReport& report, const LoggerFormat& format, TDateTime recStart) {
    using TKind = TDownloadShortfall::TKind;
    std::vector<std::string> problems;
    for (const TDownloadShortfall& s : DownloadShortfalls(report)) {
        switch (s.Kind) {
            case TKind::PortFailure:
                problems.push_back("The download stopped at reading " + std::to_string(s.Next) + ": " +
                                   s.PortErrorText);
                break;
            case TKind::LoggerSilent:
                problems.push_back("The logger sent nothing for reading " + std::to_string(s.Next) + ", asked " +
                                   std::to_string(SilentRequestLimit) + " times; the download stopped there");
                break;
            case TKind::NotStarted:
                problems.push_back("The recording starts at " + format.DateTimeToText(recStart) +
                                   "; the logger holds no reading yet");
                break;
            case TKind::StoppedByUser:  // the user let "Odczyt" up
                break;
            case TKind::Missing:
                problems.push_back("Readings not received, those after them kept coming in their place: " +
                                   IndexListText(s.Readings));
                break;
            case TKind::DamagedKept:
                problems.push_back("Damaged lines kept as received for readings " + IndexListText(s.Readings));
                break;
            case TKind::OffTimeKept:
                problems.push_back("Readings kept whose time is not the recording start plus index times interval: " +
                                   IndexListText(s.Readings));
                break;
        }
    }
    if (!problems.empty() && report.NoiseDropped > 0)
        problems.push_back("Noise dropped: " + std::to_string(report.NoiseDropped) + " bytes in front of " +
                           std::to_string(report.ReadingsBehindNoise) + " readings, which were kept clean");
    std::string text;
    for (const std::string& problem : problems) text = JoinedProblems(text, problem);
    return text;
}

}  // namespace

// Searches the virtual COM ports for a logger and shows its model, clock and battery. Without a
// logger, each port that would not open is named below "No device found" with its reason and fix,
// since a missing group membership or a port held by another program looks the same otherwise;
// so is each USB serial adapter that is plugged in but got no port.
void TForm1::btConnectClick() {
    ClearData();
    const TSearchResult search = Session.Connect();
    NoteConnection(search);
    if (!search.Found()) {
        QString text = QStringLiteral("No device found");
        for (const TPortDiagnosis& port : DiagnoseUnopenedPorts(search))
            text += QStringLiteral("\n\n") + QString::fromStdString(PortDiagnosisText(port));
        for (const TTtylessAdapter& adapter : FindTtylessAdapters())
            text += QStringLiteral("\n\n") + QString::fromStdString(TtylessAdapterText(adapter));
        ShowMessage(text);
        return;
    }
    eDev->setText(FromBytes(search.Answer()));
    stBar->setText(QStringLiteral("Połączono z ") + eDev->text());
    RefreshMarkers();
    ShowLoggerStatus(Session.ReadClockAndBattery());
}

// Reads the logger's clock, recording settings and battery and proposes the read range.
void TForm1::btReadCfgClick() {
    if (!Connected) return;
    const TLoggerStatus status = Session.ReadLoggerSettings();
    NoteLoggerSettings(status);
    ShowLoggerStatus(status);
}

void TForm1::ShowLoggerStatus(const TLoggerStatus& status) {
    if (status.Clock) meDT->setText(QString::fromLatin1(LoggerFormat.DateTimeToText(*status.Clock)));
    if (status.RecStart) {
        const QString start = QString::fromLatin1(LoggerFormat.DateTimeToText(*status.RecStart));
        meStart->setText(start);
        meRdStart->setText(start);
        Timer2->start();  // stays on for the rest of the run
    }
    if (status.RecStop) {
        meStop->setText(QString::fromLatin1(LoggerFormat.DateTimeToText(*status.RecStop)));
        // The proposed range ends at the recording stop (the answer as received) or now, whichever
        // is earlier.
        const TDateTime now = Session.CurrentTime();
        meRdStop->setText(now >= *status.RecStop ? FromBytes(status.StopAnswer)
                                                 : QString::fromLatin1(LoggerFormat.DateTimeToText(now)));
    }
    if (status.Interval) mePeriod->setText(QString::fromLatin1(LoggerFormat.TimeToText(*status.Interval)));
    if (status.Battery) eVBat->setText(FromBytes(*status.Battery + " mV"));
    if (status.Failure) throw *status.Failure;
}

// Sets the logger's clock to now and writes the recording start, stop and interval. A text that is
// not a time ends it with its conversion error before anything is sent.
void TForm1::btWriteCfgClick() {
    if (!Connected) return;
    const TDateTime clockSet = Session.CurrentTime();
    Session.WriteLoggerSettings(ToBytes(meStart->text()), ToBytes(meStop->text()), ToBytes(mePeriod->text()));
    RecordRecordingStarted(clockSet);
}

// Erases the logger's memory after a Yes/No confirmation; before it, when the archive lacks readings
// the logger holds, after a question about those.
void TForm1::btNewClick() {
    TEraseCheck check;
    if (!ConfirmEraseOfUnarchived(check)) return;
    if (!Dialogs().AskYesNo(this, QStringLiteral("Nowa rejestracja."),
                            QStringLiteral("Kasowanie danych rejestratora !\nKontynuować ?")))
        return;
    Session.EraseLogger();
    RecordErase(check);
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
    std::string to = ToBytes(meRdStop->text());
    const TDownloadRange range = Session.ComputeReadRange(ToBytes(meRdStart->text()), to);
    if (to != ToBytes(meRdStop->text())) meRdStop->setText(FromBytes(to));
    Edit1->setText(QString::number(range.First));
    Edit2->setText(QString::number(range.End));
}

// Starts the download of the read range, or stops a running one. The download lets window events
// run, so this handler also runs inside it: that press lets sbRead up, which the download sees.
void TForm1::sbReadClick() {
    Button1Click();
    if (!sbRead->isChecked()) return;
    TDownloadRange range;
    range.First = Edit1->text().toLongLong();
    range.End = Edit2->text().toLongLong();
    if (range.First == range.End) {
        // The reading at the first index is the last one fetched: the button stays down until the
        // next press.
        SetStatusText("Brak nowych danych !");
        return;
    }
    // Archived as it runs; its end is recorded once "data.log" is written.
    const std::optional<archive::TRecordingKey> key = KnownRecording();
    const bool panelArchived = Memo2->Lines().Empty() || (key && archivedDownload_ == key);
    const std::unique_ptr<TDownloadArchiving> archiving = StartArchiving(range);
    const TDownloadReport report = DownloadArchived(range, *archiving);
    sbRead->setChecked(false);
    // The panel stays an archived recording's only while every reading it takes went into the archive.
    const bool allArchived = archiving->RecordingKnown() && archiving->Archived() == archiving->Offered();
    archivedDownload_ = panelArchived && allArchived ? key : std::nullopt;
    std::string problems = DownloadProblems(report, LoggerFormat, RecStart);
    if (report.Ending == TDownloadEnd::NotStarted) {
        ShowErrorReport(JoinedProblems(problems, FinishArchiving(*archiving, report)));
        return;
    }
    const QString lastTime = FromBytes(LastReadingLine.substr(0, 19));
    meRdStart->setText(lastTime);
    meRdStop->setText(lastTime);
    // Written whole or not at all; when it fails the error report ends the press here (naming
    // what the download fell short of too) and the received lines stay in the panel.
    try {
        readings::SaveLinesFile(DownloadFile, Memo2->Lines());
    } catch (const EFileError& e) {
        throw EFileError(JoinedProblems(JoinedProblems(e.what(), problems), FinishArchiving(*archiving, report)));
    }
    NotePanelFile(DownloadFile);
    problems = JoinedProblems(problems, FinishArchiving(*archiving, report));
    Chart->SetDataFileName(QString::fromLatin1(DownloadFile));
    // The parse adds every line of the panel, so the series start empty to hold each point once.
    ClearSeries();
    ParseDataLines();
    // Said once, after the data is saved and drawn.
    if (!problems.empty()) ShowErrorReport(problems);
}

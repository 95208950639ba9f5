// TForm1: the archive. Every download is kept there chunk by chunk, the settings written and the
// erases are recorded, an erase asks first when the archive lacks readings the logger holds, and
// "Archiwum…" lists the recordings kept and loads one into the data panel and the chart.
//
// The archive never costs an action on the logger or the data: when it cannot be opened or
// written, the action goes on and the user is told afterwards, once, what was not kept and why.
#include <QAction>
#include <QFile>
#include <QString>
#include <stdexcept>
#include <utility>

#include "app/archive_dialog.h"
#include "app/download_archiving.h"
#include "app/main_window.h"
#include "app/masked_edit.h"
#include "app/memo_view.h"
#include "archive/archive_location.h"
#include "archive/sqlite_archive.h"
#include "base/cp1250.h"
#include "base/version.h"
#include "logger/logger_time.h"
#include "report/recording_report.h"

namespace {

using archive::EArchiveError;
using archive::TArchiveErrorKind;

archive::TActor Actor() { return archive::TActor::Current(std::string("lorv304d ") + ProjectVersion); }

// The archive file: $LORV304D_ARCHIVE, else the user's data folder. Empty when there is none.
std::string ArchivePath() { return archive::DefaultArchivePath(archive::TArchiveEnvironment::FromProcess()); }

std::unique_ptr<archive::TArchive> OpenArchive() {
    const std::string path = ArchivePath();
    if (path.empty())
        throw EArchiveError(TArchiveErrorKind::Other, path,
                            "no folder for the archive (neither XDG_DATA_HOME nor HOME is set)");
    return archive::OpenSqliteArchive(path);
}

// Why the archive could not be used, in the window's words (UTF-8, no final full stop).
std::string FailureText(const EArchiveError& e) {
    const std::string path = e.Path().empty() ? std::string() : " " + e.Path();
    switch (e.Kind()) {
        case TArchiveErrorKind::NotADatabase:
            return "plik" + path + " nie jest archiwum (nie jest bazą danych); pozostał nietknięty";
        case TArchiveErrorKind::Damaged:
            return "archiwum" + path + " jest uszkodzone lub nie pochodzi z tego programu; pozostało nietknięte";
        case TArchiveErrorKind::ReadOnly:
            return "archiwum" + path + " jest tylko do odczytu";
        case TArchiveErrorKind::DiskFull:
            return "brak miejsca na dysku dla archiwum" + path;
        case TArchiveErrorKind::Locked:
            return "archiwum" + path + " jest zajęte przez inny program";
        case TArchiveErrorKind::Other:
            break;
    }
    return "archiwum" + path + " nie daje się otworzyć ani zapisać (" + e.Message() + ")";
}

// Appends an event naming the recording of `key` when the archive holds it. Returns why it could
// not be recorded, empty when it was.
std::string RecordEvent(const std::optional<archive::TRecordingKey>& key, const archive::TEventDetails& details) {
    try {
        const std::unique_ptr<archive::TArchive> store = OpenArchive();
        std::optional<std::int64_t> recording;
        if (key) recording = store->FindRecording(*key);
        store->AddEvent(Actor(), recording, details);
        return {};
    } catch (const EArchiveError& e) {
        return FailureText(e);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// What the window knows of the recording

void TForm1::NoteConnection(const TSearchResult& search) {
    settingsRead_.reset();  // another logger, or the same one set up anew meanwhile
    connectedPort_ = search.Found() ? search.Probes.back().PortName : std::string();
}

void TForm1::NoteLoggerSettings(const TLoggerStatus& status) {
    if (Connected && status.RecStart && status.IntervalSeconds && *status.IntervalSeconds > 0) settingsRead_ = status;
}

// The recording on the logger as its last settings read named it, while the download range still
// counts from those values (a start or interval set by hand since would place readings wrongly).
std::optional<archive::TRecordingKey> TForm1::KnownRecording() const {
    if (!Connected || !settingsRead_ || Session.ModelAnswer.empty()) return std::nullopt;
    if (*settingsRead_->RecStart != RecStart || *settingsRead_->IntervalSeconds != RecIntervalSeconds)
        return std::nullopt;
    return archive::TRecordingKey{Session.ModelAnswer, *settingsRead_->RecStart, *settingsRead_->IntervalSeconds};
}

// ---------------------------------------------------------------------------------------------
// Downloads

std::unique_ptr<TDownloadArchiving> TForm1::StartArchiving(const TDownloadRange& range) {
    archive::TDownloadInfo info;
    info.Actor = Actor();
    info.Port = connectedPort_;
    if (settingsRead_) info.Status = *settingsRead_;
    info.Range = range;
    const std::optional<archive::TRecordingKey> key = KnownRecording();
    return std::make_unique<TDownloadArchiving>(key ? ArchivePath() : std::string(), key, info);
}

TDownloadReport TForm1::DownloadArchived(const TDownloadRange& range, TDownloadArchiving& archiving) {
    // A press inside the download's event pump may start another one: the innermost archives.
    TDownloadArchiving* const outer = std::exchange(archiving_, &archiving);
    try {
        TDownloadReport report = Session.DownloadReadings(range);
        archiving_ = outer;
        return report;
    } catch (...) {
        archiving_ = outer;
        throw;
    }
}

void TForm1::ChunkStored(const std::vector<TStoredReading>& readings) {
    if (archiving_) archiving_->Chunk(readings);
}

std::string TForm1::FinishArchiving(TDownloadArchiving& archiving, const TDownloadReport& report) {
    archiving.Finish(report, Actor());
    if (!archiving.RecordingKnown()) {
        if (report.ReadingsStored == 0) return {};
        return "Odczyty nie zostały zapisane w archiwum: nie odczytano ustawień rejestratora po połączeniu";
    }
    if (!archiving.Failure()) return {};
    const std::string why = FailureText(*archiving.Failure());
    if (archiving.Archived() == 0 && archiving.Offered() > 0) return "Odczyty nie zostały zapisane w archiwum: " + why;
    if (archiving.Archived() < archiving.Offered())
        return "W archiwum zapisano tylko " + std::to_string(archiving.Archived()) + " z " +
               std::to_string(archiving.Offered()) + " odczytów: " + why;
    if (archiving.Offered() > 0)
        return "Odczyty są w archiwum, lecz koniec pobierania nie został w nim zapisany: " + why;
    return "Pobranie nie zostało zapisane w archiwum: " + why;
}

// ---------------------------------------------------------------------------------------------
// Actions on the logger

bool TForm1::ConfirmEraseOfUnarchived(TEraseCheck& check) {
    check.Recording = KnownRecording();
    if (!check.Recording) return true;
    // The readings the logger holds by now, by its clock as it runs on from the last answer.
    TLoggerStatus now = *settingsRead_;
    now.Clock = Session.LoggerClockNow();
    check.Held = archive::HeldReadingCount(now);
    if (!check.Held || *check.Held <= 0) return true;
    std::string unreadable;
    try {
        check.Unarchived = OpenArchive()->UnarchivedCount(*check.Recording, *check.Held);
    } catch (const EArchiveError& e) {
        // An archive that cannot be read keeps none of them.
        check.Unarchived = *check.Held;
        unreadable = "Archiwum nie daje się odczytać: " + FailureText(e) + ".\n";
    }
    if (check.Unarchived <= 0) return true;
    return Dialogs().AskYesNo(
        this, QStringLiteral("Nowa rejestracja."),
        QString::fromStdString(unreadable) + QStringLiteral("Rejestrator ma %1 odczytów, których nie ma w archiwum. "
                                                            "Kasować mimo to?")
                                                 .arg(check.Unarchived));
}

void TForm1::RecordErase(const TEraseCheck& check) {
    if (!Connected) return;  // "E!" reached no logger
    archive::TLoggerErased erased;
    erased.Model = Session.ModelAnswer;
    erased.Port = connectedPort_;
    erased.Recording = check.Recording;
    erased.HeldReadings = check.Held;
    erased.UnarchivedReadings = check.Unarchived;
    settingsRead_.reset();  // the recording is gone from the logger
    if (const std::string why = RecordEvent(check.Recording, erased); !why.empty())
        ShowErrorReport("Kasowanie nie zostało zapisane w archiwum: " + why);
}

void TForm1::RecordRecordingStarted(TDateTime clockSet) {
    archive::TRecordingStarted started;
    started.Model = Session.ModelAnswer;
    started.Port = connectedPort_;
    // The computer's time as "T!" sent it: whole seconds.
    started.ClockSet = LoggerFormat.TextToDateTime(LoggerFormat.DateTimeToText(clockSet));
    started.Start = RecStart;
    started.Stop = RecStop;
    started.IntervalSeconds = static_cast<std::int64_t>(
        IntervalSeconds(LoggerFormat.TextToTime(Utf8ToCp1250(mePeriod->text().toStdString()))));
    settingsRead_.reset();  // the logger now records anew; its settings are to be read again
    const archive::TRecordingKey key{started.Model, started.Start, started.IntervalSeconds};
    if (const std::string why = RecordEvent(key, started); !why.empty())
        ShowErrorReport("Start rejestracji nie został zapisany w archiwum: " + why);
}

// ---------------------------------------------------------------------------------------------
// The data panel and the archive

void TForm1::RecordExport(const QString& file, const char* format, std::int64_t readings) {
    if (!shownRecording_) return;  // the panel holds no archived recording
    archive::TReadingsExported exported;
    exported.File = QFile::encodeName(file).toStdString();
    exported.Format = format;
    exported.Readings = readings;
    try {
        const std::unique_ptr<archive::TArchive> store = OpenArchive();
        store->AddEvent(Actor(), shownRecording_, exported);
    } catch (const EArchiveError& e) {
        ShowErrorReport("Eksport nie został zapisany w archiwum: " + FailureText(e));
    }
}

std::optional<std::int64_t> TForm1::PanelRecording() {
    if (shownRecording_) return shownRecording_;
    if (!archivedDownload_) return std::nullopt;
    try {
        return OpenArchive()->FindRecording(*archivedDownload_);
    } catch (const EArchiveError& e) {
        throw std::runtime_error("Nie można odczytać archiwum: " + FailureText(e));
    }
}

void TForm1::WriteArchivedReport(std::int64_t id, const report::TReportRequest& request, const std::string& path) {
    try {
        const std::unique_ptr<archive::TArchive> store = OpenArchive();
        report::WriteRecordingReport(*store, id, request, report::TLanguage::Polish, path);
    } catch (const EArchiveError& e) {
        ShowErrorReport("Nie można sporządzić raportu z archiwum: " + FailureText(e));
    }
}

// Lists the recordings of the archive. A file that is no archive is named, and left as it is.
void TForm1::Archiwum1Click() {
    std::vector<archive::TRecordingSummary> recordings;
    std::string location;
    try {
        const std::unique_ptr<archive::TArchive> store = OpenArchive();
        location = store->Location();
        recordings = store->Recordings();
    } catch (const EArchiveError& e) {
        ShowErrorReport("Nie można otworzyć archiwum: " + FailureText(e));
        return;
    }
    if (!ArchiveDialog) {
        ArchiveDialog = new TArchiveDialog(this);
        connect(ArchiveDialog, &TArchiveDialog::OpenRequested, this,
                [this](const archive::TRecordingSummary& r) { Guarded([this, &r] { OpenArchivedRecording(r); }); });
    }
    ArchiveDialog->Fill(recordings, QFile::decodeName(QByteArray::fromStdString(location)));
    // Window-modal without a nested event loop, as the statistics.
    ArchiveDialog->open();
}

// As "Czytaj z pliku" loads a file: the data is cleared only once the recording has been read, so
// an archive that fails keeps what the panel showed.
void TForm1::OpenArchivedRecording(const archive::TRecordingSummary& recording) {
    TLineStore lines;
    try {
        lines = OpenArchive()->ReadingLines(recording.Id);
    } catch (const EArchiveError& e) {
        ShowErrorReport("Nie można odczytać rejestracji z archiwum: " + FailureText(e));
        return;
    }
    ClearData();
    Memo2->SetStore(std::move(lines));
    Chart->SetDataFileName(QStringLiteral("archiwum: %1, start %2")
                               .arg(QString::fromStdString(Cp1250ToUtf8(recording.Key.Model)),
                                    QString::fromLatin1(LoggerFormat.DateTimeToText(recording.Key.Start))));
    ParseDataLines();
    shownRecording_ = recording.Id;
}

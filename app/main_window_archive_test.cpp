// The archive in the real window, offscreen: downloads from lorv304d-emulator on a pty kept in a
// real SQLite file of a fresh directory, the erase guard, and "Archiwum…".
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QDir>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <ostream>

#include "app/archive_dialog.h"
#include "app/main_window.h"
#include "app/masked_edit.h"
#include "app/memo_view.h"
#include "app/scripted_dialogs.h"
#include "archive/sqlite_archive.h"
#include "base/testing/file_bytes.h"
#include "base/testing/pdf_text.h"
#include "data/data_file.h"
#include "emulator/emulator_process.h"

namespace {

const LoggerFormat Format;

// A window whose working directory, settings, device map and archive lie in a fresh directory.
class ArchiveWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        mapPath = Path("devicemap.txt");
        std::ofstream{mapPath};
        setenv("LORV304D_DEVICEMAP", mapPath.c_str(), 1);
        setenv("LORV304D_ARCHIVE", archivePath.c_str(), 1);
        form = std::make_unique<TForm1>(TForm1::TEnvironment{Path("lorv304d"), dialogs});
        form->Session.Pause = [](int) {};  // the logger reads each set command before the next query
    }
    void TearDown() override {
        form.reset();
        logger.reset();
        unsetenv("LORV304D_DEVICEMAP");
        unsetenv("LORV304D_ARCHIVE");
        QDir::setCurrent(oldDir);
    }

    std::string Path(const char* name) const { return dir.path().toStdString() + "/" + name; }
    // Connects to an emulator started with `args` and reads its settings.
    void ConnectAndRead(std::vector<std::string> args) {
        args.insert(args.end(), {"--devicemap", mapPath});
        logger = std::make_unique<emulator::EmulatorProcess>(args);
        form->btConnect->click();
        ASSERT_TRUE(form->Connected);
        form->btReadCfg->click();
    }
    std::vector<std::string> Panel() const { return form->Memo2->Lines().Lines(); }
    std::size_t LogSize() const { return form->Memo1->Lines().Count(); }
    std::vector<std::string> LogFrom(std::size_t from) const {
        const auto lines = form->Memo1->Lines().Lines();
        return {lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end()};
    }
    std::unique_ptr<archive::TArchive> Archive() const { return archive::OpenSqliteArchive(archivePath); }

    QTemporaryDir dir;
    QString oldDir;
    std::string mapPath;
    std::string archivePath = dir.path().toStdString() + "/archive.sqlite3";
    std::shared_ptr<TScriptedDialogs> dialogs = std::make_shared<TScriptedDialogs>();
    std::unique_ptr<TForm1> form;
    std::unique_ptr<emulator::EmulatorProcess> logger;
};

const std::string Guard = "Rejestrator ma 20 odczytów, których nie ma w archiwum. Kasować mimo to?";
const std::string Confirmation = "Kasowanie danych rejestratora !\nKontynuować ?";

// ---------------------------------------------------------------- downloads and events

// The download keeps every reading in the archive as the panel holds it; once all are kept the
// erase asks only the usual question, and both actions on the logger are in the trail.
TEST_F(ArchiveWindowTest, ADownloadIsArchivedAndTheActionsOnTheLoggerRecorded) {
    // Hourly, so that no new reading comes while the test runs.
    ConnectAndRead({"--readings", "60", "--interval", "01:00:00", "--model", "KX-15-2"});
    form->sbRead->click();
    ASSERT_EQ(60u, Panel().size());
    EXPECT_TRUE(dialogs->Messages.empty());

    {
        const auto store = Archive();
        const auto recordings = store->Recordings();
        ASSERT_EQ(1u, recordings.size());
        EXPECT_EQ("KX-15-2", recordings[0].Key.Model);
        EXPECT_DOUBLE_EQ(form->RecStart, recordings[0].Key.Start);
        EXPECT_EQ(3600, recordings[0].Key.IntervalSeconds);
        EXPECT_EQ(60, recordings[0].Readings);
        EXPECT_EQ(0, recordings[0].Missing);
        EXPECT_EQ(Panel(), store->ReadingLines(recordings[0].Id).Lines());
        const auto downloads = store->Downloads(recordings[0].Id);
        ASSERT_EQ(1u, downloads.size());
        ASSERT_FALSE(downloads[0].Interrupted());
        EXPECT_TRUE(downloads[0].Report->Complete());
        EXPECT_EQ(60, downloads[0].Report->ReadingsStored);
    }

    dialogs->YesNoAnswers = {true};
    form->btNew->click();
    ASSERT_EQ(1u, dialogs->Questions.size());
    EXPECT_EQ(Confirmation, dialogs->Questions[0].Text.toStdString());

    form->meStart->setText("2030-01-01 08:00:00");
    form->meStop->setText("2030-01-02 08:00:00");
    form->mePeriod->setText("00:05:00");
    form->btWriteCfg->click();
    EXPECT_TRUE(dialogs->Messages.empty());

    const auto events = Archive()->Events();
    std::vector<archive::TEventKind> kinds;
    for (const auto& e : events) kinds.push_back(e.Kind());
    EXPECT_EQ((std::vector<archive::TEventKind>{archive::TEventKind::Download, archive::TEventKind::Erase,
                                                archive::TEventKind::Start}),
              kinds);
    const auto& erased = std::get<archive::TLoggerErased>(events[1].Details);
    EXPECT_EQ("KX-15-2", erased.Model);
    EXPECT_EQ(0, erased.UnarchivedReadings);
    const auto& started = std::get<archive::TRecordingStarted>(events[2].Details);
    EXPECT_EQ(Format.TextToDateTime("2030-01-01 08:00:00"), started.Start);
    EXPECT_EQ(300, started.IntervalSeconds);
}

struct BrokenArchiveRow {
    const char* Name;
    const char* Prepare;  // "garbage": a file that is no database; "under-file": a folder that is a file
    const char* Text;     // the start of the one report
};
void PrintTo(const BrokenArchiveRow& row, std::ostream* os) { *os << row.Name; }

class BrokenArchive : public ArchiveWindowTest, public ::testing::WithParamInterface<BrokenArchiveRow> {};

// The archive never costs the download: panel, data.log and chart as always, then one report.
TEST_P(BrokenArchive, StillFillsThePanelAndDataLogAndSaysSoOnce) {
    const std::string garbage = "These are notes, not a database.\n";
    if (std::string(GetParam().Prepare) == "garbage") {
        WriteFileBytes(archivePath, garbage);
    } else {
        WriteFileBytes(Path("folder"), "a file");
        archivePath = Path("folder") + "/archive.sqlite3";
        setenv("LORV304D_ARCHIVE", archivePath.c_str(), 1);
    }
    // Hourly, so that no new reading comes while the test runs.
    ConnectAndRead({"--readings", "30", "--interval", "01:00:00"});
    form->sbRead->click();

    EXPECT_EQ(30u, Panel().size());
    EXPECT_EQ(readings::JoinTextLines(form->Memo2->Lines()), ReadFileBytes("data.log"));
    EXPECT_FALSE(form->Chart->isHidden());
    EXPECT_EQ(30u, form->Chart->Series1.Count());
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
    const std::string text = dialogs->Messages[0].Text.toStdString();
    EXPECT_EQ(0u, text.find(GetParam().Text)) << text;
    EXPECT_NE(std::string::npos, text.find(archivePath)) << text;
    if (std::string(GetParam().Prepare) == "garbage") {
        EXPECT_EQ(garbage, ReadFileBytes(archivePath));
    }
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenArchive,
                         ::testing::Values(BrokenArchiveRow{"NotADatabase", "garbage",
                                                            "Odczyty nie zostały zapisane w archiwum: plik "},
                                           BrokenArchiveRow{"FolderCannotBeMade", "under-file",
                                                            "Odczyty nie zostały zapisane w archiwum: "}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- the erase guard

class EraseGuard : public ArchiveWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(EraseGuard, AsksFirstWhenTheArchiveLacksReadings) {
    ConnectAndRead({"--readings", "20", "--interval", "01:00:00"});
    const std::size_t before = LogSize();
    dialogs->YesNoAnswers = {GetParam(), true};
    form->btNew->click();
    ASSERT_GE(dialogs->Questions.size(), 1u);
    EXPECT_EQ(Guard, dialogs->Questions[0].Text.toStdString());
    if (GetParam()) {
        ASSERT_EQ(2u, dialogs->Questions.size());
        EXPECT_EQ(Confirmation, dialogs->Questions[1].Text.toStdString());
        EXPECT_EQ(std::vector<std::string>{"E!"}, LogFrom(before));
        const auto events = Archive()->Events();
        ASSERT_EQ(1u, events.size());
        EXPECT_EQ(20, std::get<archive::TLoggerErased>(events[0].Details).UnarchivedReadings);
    } else {
        EXPECT_EQ(1u, dialogs->Questions.size());
        EXPECT_EQ(std::vector<std::string>{}, LogFrom(before));
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, EraseGuard, ::testing::Values(true, false),
                         [](const auto& info) { return std::string(info.param ? "Yes" : "No"); });

// "Raport PDF…" after downloads: from the archive only while every reading of the panel went
// into it, else from "data.log", which holds the panel.
TEST_F(ArchiveWindowTest, DownloadsAreReportedFromTheArchiveOnlyWhenAllWentIntoIt) {
    ConnectAndRead({"--readings", "30", "--interval", "01:00:00", "--model", "KX-15-2"});
    WriteFileBytes(Path("other.txt"), "no archive\n");
    setenv("LORV304D_ARCHIVE", Path("other.txt").c_str(), 1);
    form->sbRead->click();
    ASSERT_EQ(30u, Panel().size());
    ASSERT_EQ(1u, dialogs->Messages.size());  // nothing went into the archive
    dialogs->Messages.clear();
    setenv("LORV304D_ARCHIVE", archivePath.c_str(), 1);
    const auto report = [&](const char* name) {
        dialogs->FileAnswers.push_back(QString::fromStdString(Path(name)));
        form->RaportPDF1->trigger();
        EXPECT_TRUE(dialogs->Messages.empty()) << dialogs->Messages[0].Text.toStdString();
        return PdfText(Path(name));
    };
    EXPECT_NE(std::string::npos, report("file.pdf").find("Plik data.log"));

    // The same readings again, now archived: the panel still holds the first ones beside them.
    form->btReadCfg->click();
    form->sbRead->click();
    ASSERT_EQ(60u, Panel().size());
    EXPECT_NE(std::string::npos, report("mixed.pdf").find("Plik data.log"));

    form->Wyczy1->trigger();
    form->btReadCfg->click();
    form->sbRead->click();
    ASSERT_EQ(30u, Panel().size());
    EXPECT_NE(std::string::npos, report("archived.pdf").find("Model rejestratora KX-15-2"));
    EXPECT_EQ(archive::TEventKind::Report, Archive()->Events().back().Kind());
}

// ---------------------------------------------------------------- "Archiwum…"

// Two recordings put into the archive as downloads would; the second with a gap and a damaged line.
TEST_F(ArchiveWindowTest, TheDialogListsTheRecordingsAndOpensOneByKeyboard) {
    const TDateTime start = Format.TextToDateTime("2026-03-01 10:00:00");
    auto line = [&](std::int64_t i, const char* values) {
        return Format.DateToText(start + i * 15 / 1440.0) + " " + Format.TimeToText(start + i * 15 / 1440.0) + values;
    };
    {
        const auto store = archive::OpenSqliteArchive(archivePath);
        const archive::TActor actor = archive::TActor::Current("test");
        archive::TDownloadInfo info;
        info.Actor = actor;
        const std::int64_t first = store->BeginDownload({"KX-15-1", start - 1, 60}, info);
        store->AddReadings(first, {{0, "2026-02-28 23:59:59    10.0    10.0", TReadingState::Clean}});
        store->FinishDownload(first, {}, actor);
        const std::int64_t second = store->BeginDownload({"KX-05", start, 900}, info);
        store->AddReadings(second, {{0, line(0, "     2.0    20.0"), TReadingState::Clean},
                                    {1, line(1, "     2.5    20.5"), TReadingState::Clean},
                                    {3, "2026-03-01 10:4", TReadingState::Damaged},
                                    {4, line(4, "     3.5    21.0"), TReadingState::Clean}});
        store->FinishDownload(second, {}, actor);
    }
    form->Wczytajzpliku1->trigger();  // cancelled: an empty chart shows
    form->Archiwum1->trigger();
    TArchiveDialog* dialog = form->ArchiveDialog;
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(dialog->isVisible());
    ASSERT_EQ(2, dialog->tbRecordings->rowCount());
    const QStringList row = dialog->RowTexts(1);
    EXPECT_EQ(
        (QStringList{"KX-05", "2026-03-01 10:00:00", "00:15:00", "4", "2026-03-01 10:00:00", "2026-03-01 11:00:00"}),
        row.mid(0, 6));
    EXPECT_EQ((QStringList{"1", "1", "0"}), row.mid(7, 3));  // damaged, not received, conflicts

    // Tab runs through the list and both buttons, each with a name to read out.
    const std::vector<QWidget*> chain = {dialog->tbRecordings, dialog->btOpen, dialog->btClose};
    for (std::size_t i = 0; i < chain.size(); ++i) {
        QWidget* next = chain[i]->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisibleTo(dialog)) next = next->nextInFocusChain();
        EXPECT_EQ(chain[(i + 1) % chain.size()], next) << i;
        const auto* button = qobject_cast<QPushButton*>(chain[i]);
        EXPECT_FALSE((button ? button->text() : chain[i]->accessibleName()).isEmpty()) << i;
    }

    // Down to the second recording and Enter: it fills the panel and the chart, in index order.
    dialog->tbRecordings->setFocus();
    QTest::keyClick(dialog->tbRecordings, Qt::Key_Down);
    QTest::keyClick(dialog->tbRecordings, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ((std::vector<std::string>{line(0, "     2.0    20.0"), line(1, "     2.5    20.5"), "2026-03-01 10:4",
                                        line(4, "     3.5    21.0")}),
              Panel());
    EXPECT_FALSE(form->Chart->isHidden());
    EXPECT_EQ(3u, form->Chart->Series1.Count());
    EXPECT_EQ(3u, form->Chart->Series2.Count());
    EXPECT_TRUE(dialogs->Messages.empty());

    // Exporting what was opened is a recorded export of that recording.
    dialogs->FileAnswers.push_back(QString::fromStdString(Path("opened.csv")));
    form->EksportCSV1->trigger();
    const auto events = Archive()->Events();
    ASSERT_FALSE(events.empty());
    ASSERT_EQ(archive::TEventKind::Export, events.back().Kind());
    const auto& exported = std::get<archive::TReadingsExported>(events.back().Details);
    EXPECT_EQ("csv", exported.Format);
    EXPECT_EQ(3, exported.Readings);
    EXPECT_EQ(Path("opened.csv"), exported.File);
}

TEST_F(ArchiveWindowTest, AFileThatIsNoArchiveIsNamedAndLeftAlone) {
    WriteFileBytes(archivePath, "not a database");
    form->Archiwum1->trigger();
    ASSERT_EQ(1u, dialogs->Messages.size());
    const std::string text = dialogs->Messages[0].Text.toStdString();
    EXPECT_EQ(0u, text.find("Nie można otworzyć archiwum: plik " + archivePath)) << text;
    EXPECT_EQ("not a database", ReadFileBytes(archivePath));
    EXPECT_TRUE(form->ArchiveDialog == nullptr || !form->ArchiveDialog->isVisible());
}

}  // namespace

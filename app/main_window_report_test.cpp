// "Raport PDF…" on the real window: the report of what the chart shows, read back by pdftotext.
#include <gtest/gtest.h>

#include <QAction>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <variant>

#include "app/main_window.h"
#include "app/scripted_dialogs.h"
#include "archive/sqlite_archive.h"
#include "base/testing/file_bytes.h"
#include "base/testing/pdf_text.h"
#include "data/scoped_time_zone.h"

namespace {

// Two hours at one-minute steps, channel 1 climbing from 2.0 by 0.1 a minute.
std::string TwoHours() {
    std::string text;
    for (int i = 0; i < 120; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "2017-03-05 %02d:%02d:00    %4.1f    18.0\r\n", i / 60, i % 60, 2.0 + i / 10.0);
        text += line;
    }
    return text;
}

class ReportWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setenv("LORV304D_ARCHIVE", Path("archive.sqlite").c_str(), 1);
        // The statistics' last choice: the profile 2-8 with a one-hour rolling MKT.
        WriteFileBytes(Path("lorv304d.INI"), "[Statystyka]\r\nProfil=2-8\r\nOknoMKT=1h\r\n");
        form = std::make_unique<TForm1>(TForm1::TEnvironment{Path("lorv304d"), dialogs});
        dialogs->Messages.clear();
    }
    void TearDown() override { unsetenv("LORV304D_ARCHIVE"); }

    std::string Path(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
    void Report(const std::string& answer) {
        dialogs->FileAnswers.push_back(QString::fromStdString(Path(answer)));
        form->RaportPDF1->trigger();
    }

    const TScopedTimeZone zone{"Europe/Warsaw"};
    QTemporaryDir dir;
    std::shared_ptr<TScriptedDialogs> dialogs = std::make_shared<TScriptedDialogs>();
    std::unique_ptr<TForm1> form;
};

TEST_F(ReportWindowTest, ReportsTheVisibleRangeOfTheLoadedFile) {
    // Nothing to report yet: said so, and no dialog.
    form->RaportPDF1->trigger();
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ("Brak odczytów do raportu.", dialogs->Messages[0].Text.toStdString());
    EXPECT_TRUE(dialogs->FileDialogs.empty());
    dialogs->Messages.clear();

    WriteFileBytes(Path("hours.log"), TwoHours());
    dialogs->FileAnswers.push_back(QString::fromStdString(Path("hours.log")));
    form->Wczytajzpliku1->trigger();
    const LoggerFormat format;
    form->Chart->BottomAxis.SetAutomatic(false);  // zoomed in, as a drag would
    form->Chart->BottomAxis.SetMinMax(format.TextToDateTime("2017-03-05 00:30:00"),
                                      format.TextToDateTime("2017-03-05 01:00:00"));

    Report("report");  // no extension: ".pdf" is added
    ASSERT_TRUE(dialogs->Messages.empty()) << dialogs->Messages[0].Text.toStdString();
    ASSERT_EQ(2u, dialogs->FileDialogs.size());
    EXPECT_EQ(TFileDialogKind::Save, dialogs->FileDialogs[1].Kind);
    EXPECT_EQ("pdf", dialogs->FileDialogs[1].Dialog.DefaultExt.toStdString());
    const std::string text = PdfText(Path("report.pdf"));
    EXPECT_NE(std::string::npos, text.find("Plik hours.log")) << text;
    EXPECT_NE(std::string::npos, text.find("Zakres 2017-03-05 00:30:00 +01:00 – 2017-03-05 01:00:00 +01:00")) << text;
    EXPECT_NE(std::string::npos, text.find("Kompletne: 31 z 31 odczytów"));
    EXPECT_NE(std::string::npos, text.find("Reguły profilu „2-8”"));
    EXPECT_NE(std::string::npos, text.find("Najwyższe MKT w oknie 1:00:00")) << text;

    // A target that cannot be written: the error box, and no file.
    Report("no/such/folder/report.pdf");
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
    EXPECT_NE(std::string::npos, dialogs->Messages[0].Text.toStdString().find("Cannot write"));
    EXPECT_FALSE(std::filesystem::exists(Path("no/such/folder/report.pdf")));

    // The file changed since it was loaded: its report would not be of the readings shown.
    dialogs->Messages.clear();
    WriteFileBytes(Path("hours.log"), TwoHours().substr(0, 100));
    Report("changed.pdf");
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_NE(std::string::npos, dialogs->Messages[0].Text.toStdString().find("zmienił się od wczytania"));
    EXPECT_EQ(3u, dialogs->FileDialogs.size());  // no save dialog for it
}

TEST_F(ReportWindowTest, ArchivedRecordingIsReportedFromTheArchiveWithItsEvent) {
    const archive::TRecordingKey key{"LT-2", LoggerFormat().TextToDateTime("2017-03-05 00:00:00"), 60};
    {
        const std::unique_ptr<archive::TArchive> store = archive::OpenSqliteArchive(Path("archive.sqlite"));
        std::vector<TStoredReading> readings;
        const std::string text = TwoHours();
        for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1)
            readings.push_back({static_cast<std::int64_t>(readings.size()), text.substr(at, text.find('\r', at) - at),
                                TReadingState::Clean});
        store->ImportReadings(key, readings, archive::TActor::Current("test"), {});
    }
    const std::unique_ptr<archive::TArchive> store = archive::OpenSqliteArchive(Path("archive.sqlite"));
    form->OpenArchivedRecording(*store->Recording(*store->FindRecording(key)));

    Report("archived.pdf");
    ASSERT_TRUE(dialogs->Messages.empty()) << dialogs->Messages[0].Text.toStdString();
    const std::string text = PdfText(Path("archived.pdf"));
    EXPECT_NE(std::string::npos, text.find("Model rejestratora LT-2")) << text;
    EXPECT_NE(std::string::npos, text.find("Weryfikacja archiwum nienaruszone"));
    const std::vector<archive::TEvent> events = store->Events(store->FindRecording(key));
    const auto* made = std::get_if<archive::TReportMade>(&events.back().Details);
    ASSERT_NE(nullptr, made);
    EXPECT_EQ("2-8", made->Profile);
    EXPECT_EQ(Path("archived.pdf"), made->File);
}

}  // namespace

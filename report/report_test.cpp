// The report read back as a reader would: the PDF's text by pdftotext, its metadata, its digest.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "archive/sha256.h"
#include "archive/sqlite_archive.h"
#include "base/errors.h"
#include "base/testing/pdf_text.h"
#include "base/testing/temp_folder.h"
#include "data/alarm_profile.h"
#include "data/data_file.h"
#include "report/recording_report.h"
#include "report/report_document.h"
#include "report/report_source.h"

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "report_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        auto* a = new QGuiApplication(argc, argv);
        report::RegisterReportFont(LORV304D_FONT_FILE);
        return a;
    }();
    (void)app;
}

std::string Hex(std::string_view bytes) {
    archive::TSha256 sha;
    sha.Add(bytes);
    return archive::HexOf(sha.Finish());
}

std::string Fixed2(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

// A day at one-minute steps with readings 600..603 missing and one damaged line among them.
std::string DayWithFaults() {
    std::string text;
    for (int i = 0; i < 1440; ++i) {
        if (i >= 600 && i < 604) continue;
        if (i == 100) text += "2017-03-05 01:4#:00 damaged\r\n";
        char line[64];
        std::snprintf(line, sizeof line, "2017-03-05 %02d:%02d:00    %4.1f    18.0\r\n", i / 60, i % 60,
                      5 + 4 * ((i % 300) / 300.0));
        text += line;
    }
    return text;
}

class ReportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("TZ", "Europe/Warsaw", 1);
        EnsureApp();
    }
    TTempFolder folder_{"lorv_report"};
};

TEST_F(ReportTest, FileReportStatesWhatIsMissingAndCarriesTheStatistics) {
    const std::string data = folder_.File("day.log");
    std::ofstream(data, std::ios::binary) << DayWithFaults();
    report::TReportRequest request;
    request.Profile = *readings::FindBuiltInProfile("2-8");
    request.MktWindowSeconds = 3600;
    request.Program = "lorv304d-cli 1.0";
    const report::TReportModel model = report::BuildFileReport(data, request);
    const std::string pdf = folder_.File("day.pdf");
    report::WriteReportPdf(model, report::TLanguage::Polish, pdf);
    const std::string text = PdfText(pdf);

    EXPECT_NE(std::string::npos, text.find("Niekompletne: 1436 z 1440 odczytów; brak 4: 2017-03-05 10:00:00 +01:00 – "
                                           "2017-03-05 10:03:00 +01:00; uszkodzone: 1"))
        << text;
    // Without a range asked, the range is that of the readings reported.
    EXPECT_NE(std::string::npos, text.find("Zakres 2017-03-05 00:00:00 +01:00 – 2017-03-05 23:59:00 +01:00")) << text;
    for (const char* section : {"Raport z rejestracji temperatury", "2. Źródło danych", "3. Kompletność", "4. Wykres",
                                "5. Statystyka", "Reguły profilu „2-8”", "6. Przerwy", "7. Integralność", "8. Podpisy",
                                "Sporządził", "Sprawdził", "Zatwierdził", "Europe/Warsaw (UTC+01:00)", "Strona 1 z "})
        EXPECT_NE(std::string::npos, text.find(section)) << section;

    // The numbers are the data layer's, as an independent read of the same file gives them.
    const std::vector<readings::TReading> all = readings::ReadReadings(readings::LoadDataFile(data));
    const readings::TReadingStatistics s = readings::ComputeStatistics(all, {});
    EXPECT_NE(std::string::npos, text.find("Średnia " + Fixed2(s.Channel1.Mean) + " °C " + Fixed2(s.Channel2.Mean)));
    EXPECT_NE(std::string::npos, text.find("MKT " + Fixed2(*s.Channel1.MeanKinetic) + " °C"));
    EXPECT_NE(std::string::npos, text.find("Liczba odczytów 1436 1436"));
    // 2-8: above 8 °C at the top of each of the five ramps, as the rules' own evaluation finds.
    const readings::TProfileResult rules =
        readings::EvaluateProfile(all, readings::TimeOrder(all), s.Gaps.IntervalSeconds, request.Profile);
    ASSERT_EQ(5u, rules.Rules[0].Excursions.size());
    EXPECT_NE(std::string::npos, text.find("single | above 8 °C 1 tak 4:55:00 5 ")) << text;

    // Integrity: the digest equals that of the readings' lines as a data file, and of the file.
    std::string lines;
    for (const readings::TReading& r : all) lines += std::string(readings::LoadDataFile(data)[r.Line]) + "\r\n";
    EXPECT_EQ(Hex(lines), model.DataSha256Hex);
    EXPECT_NE(std::string::npos, text.find(model.DataSha256Hex));
    EXPECT_NE(std::string::npos, text.find(Hex(DayWithFaults())));
}

// Pixels of the rendered pages close to the colour: the excursions' bands and the limits' lines.
struct TRenderedMarks {
    int Band = 0, Limit = 0;
};
TRenderedMarks RenderedMarks(const TTempFolder& folder, const std::string& pdf, const std::string& prefix) {
    ShellOutput("pdftoppm -r 100 -png '" + pdf + "' '" + folder.File(prefix) + "'");
    TRenderedMarks marks;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        if (entry.path().filename().string().rfind(prefix + "-", 0) != 0) continue;
        const QImage page(QString::fromStdString(entry.path().string()));
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QRgb c = page.pixel(x, y);
                marks.Band +=
                    std::abs(qRed(c) - 255) <= 2 && std::abs(qGreen(c) - 224) <= 2 && std::abs(qBlue(c) - 224) <= 2;
                marks.Limit += qRed(c) > 180 && qGreen(c) < 60 && qBlue(c) < 60;
            }
    }
    return marks;
}

// The chart draws the profile's limits and shades its excursions, as the window's "Limity" does,
// instead of a line saying that it does not.
TEST_F(ReportTest, ChartCarriesTheProfilesLimitsAndExcursions) {
    const std::string data = folder_.File("day.log");
    std::ofstream(data, std::ios::binary) << DayWithFaults();
    report::TReportRequest request;
    request.Profile = *readings::FindBuiltInProfile("2-8");
    const std::string withRules = folder_.File("rules.pdf");
    report::WriteReportPdf(report::BuildFileReport(data, request), report::TLanguage::Polish, withRules);
    request.Profile = readings::LimitsProfile({});
    const std::string without = folder_.File("none.pdf");
    report::WriteReportPdf(report::BuildFileReport(data, request), report::TLanguage::Polish, without);

    const std::string text = PdfText(withRules);
    EXPECT_EQ(std::string::npos, text.find("zob. tabela reguł")) << text;
    EXPECT_NE(std::string::npos, text.find("4. Wykres"));
    const TRenderedMarks marked = RenderedMarks(folder_, withRules, "rules");
    const TRenderedMarks plain = RenderedMarks(folder_, without, "none");
    EXPECT_EQ(0, plain.Band);
    EXPECT_EQ(0, plain.Limit);
    // Five excursions above 8 °C, each about an hour of the day's chart, and the line at 8 °C across
    // the plot (2 °C lies below the readings and is not drawn).
    EXPECT_GT(marked.Band, 5 * 1000) << marked.Band;
    EXPECT_GT(marked.Limit, 300) << marked.Limit;
}

TEST_F(ReportTest, EnglishCompleteReportIsPdfA1bWithEmbeddedFonts) {
    const std::string data = folder_.File("three.log");
    std::ofstream(data, std::ios::binary) << "2017-03-05 00:00:00    4.0    5.0\r\n"
                                             "2017-03-05 00:01:00    4.5    5.0\r\n"
                                             "2017-03-05 00:02:00    5.0    5.0\r\n";
    report::TReportRequest request;
    request.Profile = readings::LimitsProfile({});
    const std::string pdf = folder_.File("three.pdf");
    report::WriteReportPdf(report::BuildFileReport(data, request), report::TLanguage::English, pdf);
    const std::string text = PdfText(pdf);
    EXPECT_NE(std::string::npos, text.find("Complete: 3 of 3 readings")) << text;
    EXPECT_NE(std::string::npos, text.find("Prepared by"));
    EXPECT_NE(std::string::npos, text.find("Page 1 of "));

    const std::string meta = ShellOutput("pdfinfo -meta '" + pdf + "'");
    EXPECT_NE(std::string::npos, meta.find("pdfaid:part=\"1\""));
    EXPECT_NE(std::string::npos, meta.find("pdfaid:conformance=\"B\""));
    const std::string fonts = ShellOutput("pdffonts '" + pdf + "'");
    std::istringstream rows(fonts);
    int fontRows = 0;
    for (std::string row; std::getline(rows, row);)
        if (row.find("TrueType") != std::string::npos) {  // name, type, encoding, emb, sub, uni, id
            ++fontRows;
            EXPECT_NE(std::string::npos, row.find("Identity-H       yes")) << row;
        }
    EXPECT_GT(fontRows, 0) << fonts;
}

TEST_F(ReportTest, UnwritableTargetIsAnErrorAndWritesNothing) {
    const std::string data = folder_.File("one.log");
    std::ofstream(data, std::ios::binary) << "2017-03-05 00:00:00    4.0    5.0\r\n";
    const report::TReportModel model = report::BuildFileReport(data, {});
    const std::string target = folder_.File("missing/folder/out.pdf");
    EXPECT_THROW(report::WriteReportPdf(model, report::TLanguage::Polish, target), EFileError);
    EXPECT_FALSE(std::filesystem::exists(target));
}

// A recording of 60 one-minute readings in a real archive: 20..24 never came, 10 was kept damaged.
TEST_F(ReportTest, RecordingReportNamesWhatIsMissingAndEntersTheAuditTrail) {
    const std::unique_ptr<archive::TArchive> store = archive::OpenSqliteArchive(folder_.File("archive.sqlite"));
    const LoggerFormat format;
    const archive::TRecordingKey key{"LT-2", format.TextToDateTime("2017-03-05 00:00:00"), 60};
    archive::TDownloadInfo info;
    info.Actor = archive::TActor::Current("lorv304d-cli 1.0");
    info.Port = "/dev/ttyACM0";
    const std::int64_t download = store->BeginDownload(key, info);
    std::vector<TStoredReading> chunk;
    for (int i = 0; i < 60; ++i) {
        if (i >= 20 && i < 25) continue;
        char line[64];
        std::snprintf(line, sizeof line, "2017-03-05 00:%02d:00    %4.1f    18.0", i, 4.0 + i / 10.0);
        chunk.push_back(i == 10 ? TStoredReading{i, "2017-03-05 00:1#:00    5.0", TReadingState::Damaged}
                                : TStoredReading{i, line, TReadingState::Clean});
    }
    store->AddReadings(download, chunk);
    TDownloadReport ended;
    ended.Rerequested = 3;
    store->FinishDownload(download, ended, info.Actor);
    const std::int64_t id = *store->FindRecording(key);
    const std::string headBefore = store->Verify().HeadHex;

    report::TReportRequest request;
    request.To = format.TextToDateTime("2017-03-05 00:49:00");
    request.Profile = *readings::FindBuiltInProfile("2-8");
    request.Program = "lorv304d-cli 1.0";
    const std::string pdf = folder_.File("recording.pdf");
    const std::string sha = report::WriteRecordingReport(*store, id, request, report::TLanguage::Polish, pdf);
    const std::string text = PdfText(pdf);

    EXPECT_NE(std::string::npos, text.find("Niekompletne: 44 z 50 odczytów; brak 5: 2017-03-05 00:20:00 +01:00 – "
                                           "2017-03-05 00:24:00 +01:00; uszkodzone: 1"))
        << text;
    EXPECT_NE(std::string::npos, text.find("Zakres 2017-03-05 00:00:00 +01:00 – 2017-03-05 00:49:00 +01:00"));
    EXPECT_NE(std::string::npos, text.find("Zapytania powtórzone przy odczycie 3")) << text;
    EXPECT_NE(std::string::npos, text.find("Weryfikacja archiwum nienaruszone"));
    EXPECT_NE(std::string::npos, text.find(headBefore)) << text;

    // The report event: who, the range and profile asked, and the digest of the very file written.
    const std::vector<archive::TEvent> events = store->Events(id);
    ASSERT_FALSE(events.empty());
    const auto* made = std::get_if<archive::TReportMade>(&events.back().Details);
    ASSERT_NE(nullptr, made);
    EXPECT_EQ(info.Actor.User, events.back().Actor.User);
    EXPECT_EQ("lorv304d-cli 1.0", events.back().Actor.ProgramVersion);
    EXPECT_FALSE(made->From);
    EXPECT_EQ(request.To, made->To);
    EXPECT_EQ("2-8", made->Profile);
    EXPECT_EQ(pdf, made->File);
    EXPECT_EQ(sha, made->Sha256Hex);
    EXPECT_EQ(sha + "  " + pdf + "\n", ShellOutput("sha256sum '" + pdf + "'"));
    EXPECT_TRUE(store->Verify().Sound());  // the event is chained like every other
}

TEST_F(ReportTest, CliMakesTheReportWithoutADisplay) {
    const std::string data = folder_.File("day.log");
    std::ofstream(data, std::ios::binary) << DayWithFaults();
    const std::string pdf = folder_.File("cli.pdf");
    // Nothing but the PDF: no word of the toolkit on standard error either.
    const std::string out =
        ShellOutput("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR '" LORV304D_CLI_PATH
              "' report '" + data + "' --lang en --profile 2-8 -o '" + pdf + "' 2>&1; echo rc=$?");
    EXPECT_EQ("rc=0\n", out);
    EXPECT_NE(std::string::npos, PdfText(pdf).find("Incomplete: 1436 of 1440 readings"));
    const std::string bad = ShellOutput("'" LORV304D_CLI_PATH "' report '" + data + "' --profile nosuch -o '" + pdf +
                                "' 2>&1; echo rc=$?");
    EXPECT_NE(std::string::npos, bad.find("'nosuch' is no built-in or own profile")) << bad;
    EXPECT_NE(std::string::npos, bad.find("rc=2"));
}

}  // namespace

// The data panel's commands on the real window: loading, saving, clearing and showing the data,
// and the parse of the panel into the chart's series.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "app/main_window.h"
#include "app/memo_view.h"
#include "app/scripted_dialogs.h"
#include "base/logger_format.h"
#include "base/testing/file_bytes.h"

namespace {

class DataCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TForm1>(TForm1::TEnvironment{Path("lorv304d"), dialogs});
        dialogs->Messages.clear();
    }

    std::string Path(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
    QString QPath(const std::string& name) const { return QString::fromStdString(Path(name)); }
    void WriteFile(const std::string& name, const std::string& bytes) const { WriteFileBytes(Path(name), bytes); }
    std::string ReadFile(const std::string& name) const { return ReadFileBytes(Path(name)); }
    // Loads `name` through "Czytaj z pliku" with the open dialog answered.
    void Load(const std::string& name) {
        dialogs->FileAnswers.push_back(QPath(name));
        form->Wczytajzpliku1->trigger();
    }
    void Save(QAction* item, const std::string& name) {
        dialogs->FileAnswers.push_back(QPath(name));
        item->trigger();
    }
    std::vector<std::string> Lines() const { return form->Memo2->Lines().Lines(); }
    std::size_t Points1() const { return form->Chart->Series1.Count(); }
    std::size_t Points2() const { return form->Chart->Series2.Count(); }

    QTemporaryDir dir;
    std::shared_ptr<TScriptedDialogs> dialogs = std::make_shared<TScriptedDialogs>();
    std::unique_ptr<TForm1> form;
};

constexpr const char* Line12 = "2017-03-05 12:00:00    21.5    19.0";
constexpr const char* Line11 = "2017-03-05 11:00:00    20.0    18.5";
constexpr const char* Line13Bad2 = "2017-03-05 13:00:00    22.0   19.0x";

TEST_F(DataCommandsTest, LoadFillsPanelAndShowsChartInTimeOrder) {
    // LF-only line ends, a line that is not a reading and one whose channel 2 is damaged.
    WriteFile("a.log", std::string(Line12) + "\nD?100\n" + Line11 + "\n" + Line13Bad2 + "\n");
    Load("a.log");

    ASSERT_EQ(1u, dialogs->FileDialogs.size());
    const TShownFileDialog& shown = dialogs->FileDialogs[0];
    EXPECT_EQ(TFileDialogKind::Open, shown.Kind);
    EXPECT_EQ("*.log", shown.Dialog.FileName.toStdString());
    EXPECT_EQ("log", shown.Dialog.DefaultExt.toStdString());
    EXPECT_EQ("*.log", shown.Dialog.Filter.toStdString());
    EXPECT_TRUE(dialogs->Messages.empty());

    EXPECT_EQ((std::vector<std::string>{Line12, "D?100", Line11, Line13Bad2}), Lines());
    EXPECT_FALSE(form->Chart->isHidden());
    const double h11 = EncodeDate(2017, 3, 5) + EncodeTime(11, 0, 0);
    const double h12 = EncodeDate(2017, 3, 5) + EncodeTime(12, 0, 0);
    const double h13 = EncodeDate(2017, 3, 5) + EncodeTime(13, 0, 0);
    auto values = [](auto span) { return std::vector<typename decltype(span)::value_type>(span.begin(), span.end()); };
    EXPECT_EQ((std::vector<double>{h11, h12, h13}), values(form->Chart->Series1.XValues()));
    EXPECT_EQ((std::vector<float>{20.0, 21.5, 22.0}), values(form->Chart->Series1.YValues()));
    EXPECT_EQ((std::vector<double>{h11, h12}), values(form->Chart->Series2.XValues()));
    EXPECT_EQ((std::vector<float>{18.5, 19.0}), values(form->Chart->Series2.YValues()));
    EXPECT_EQ("a.log", form->Chart->DataFileName().toStdString());

    // Saved again, the LF-only file gets CR LF line ends.
    Save(form->Zapiszjako1, "b.log");
    EXPECT_EQ(std::string(Line12) + "\r\nD?100\r\n" + Line11 + "\r\n" + Line13Bad2 + "\r\n", ReadFile("b.log"));
}

TEST_F(DataCommandsTest, LoadingReplacesTheDataAndTheParseNeverEmptiesTheSeries) {
    WriteFile("a.log", std::string(Line12) + "\r\n" + Line11 + "\r\n");
    WriteFile("b.log", std::string(Line11) + "\r\n");
    Load("a.log");
    form->Chart->LeftAxis.SetAutomatic(false);
    Load("b.log");
    EXPECT_EQ((std::vector<std::string>{Line11}), Lines());
    EXPECT_EQ(1u, Points1());
    EXPECT_EQ(1u, Points2());
    EXPECT_TRUE(form->Chart->LeftAxis.Automatic());

    // The parse adds to what the series hold: a second parse doubles every point.
    form->ParseDataLines();
    EXPECT_EQ(2u, Points1());
    form->ClearSeries();
    EXPECT_EQ(0u, Points1());
    EXPECT_EQ(0u, Points2());
    EXPECT_FALSE(form->Chart->isHidden());
    EXPECT_EQ(1u, form->Memo2->Lines().Count());
}

struct TKeepCase {
    const char* Name;
    const char* Answer;  // null: the dialog is cancelled; else a file name in the test directory
    bool Reported;
};

std::ostream& operator<<(std::ostream& os, const TKeepCase& row) { return os << row.Name; }

class DataLoadKeeps : public DataCommandsTest, public ::testing::WithParamInterface<TKeepCase> {};

TEST_P(DataLoadKeeps, FailedOrCancelledLoadKeepsTheData) {
    WriteFile("a.log", std::string(Line12) + "\r\n" + Line11 + "\r\n");
    Load("a.log");
    form->Chart->LeftAxis.SetAutomatic(false);
    if (GetParam().Answer) {
        if (std::string(GetParam().Answer) == "dir.log") {
            ASSERT_TRUE(QDir(dir.path()).mkdir("dir.log"));
        }
        dialogs->FileAnswers.push_back(QPath(GetParam().Answer));
    }
    form->Wczytajzpliku1->trigger();

    EXPECT_EQ(2u, dialogs->FileDialogs.size());
    EXPECT_EQ((std::vector<std::string>{Line12, Line11}), Lines());
    EXPECT_EQ(2u, Points1());
    EXPECT_EQ(2u, Points2());
    EXPECT_FALSE(form->Chart->isHidden());
    EXPECT_FALSE(form->Chart->LeftAxis.Automatic());
    EXPECT_EQ("a.log", form->Chart->DataFileName().toStdString());
    if (GetParam().Reported) {
        ASSERT_EQ(1u, dialogs->Messages.size());
        EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
        EXPECT_TRUE(dialogs->Messages[0].Text.contains(QString::fromLatin1(GetParam().Answer)))
            << dialogs->Messages[0].Text.toStdString();
    } else {
        EXPECT_TRUE(dialogs->Messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, DataLoadKeeps,
                         ::testing::Values(TKeepCase{"Cancel", nullptr, false},
                                           TKeepCase{"MissingFile", "missing.log", true},
                                           TKeepCase{"Directory", "dir.log", true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DataCommandsTest, SaveAddsTheExtensionAndReplacesWithoutAsking) {
    form->AppendDataLine(Line12);
    form->AppendDataLine(Line11);
    WriteFile("out.log", "old contents that are longer than the new ones, by far, really\r\n");
    Save(form->Zapiszjako1, "out");
    ASSERT_EQ(1u, dialogs->FileDialogs.size());
    EXPECT_EQ(TFileDialogKind::Save, dialogs->FileDialogs[0].Kind);
    EXPECT_EQ("*.log", dialogs->FileDialogs[0].Dialog.FileName.toStdString());
    EXPECT_EQ("log", dialogs->FileDialogs[0].Dialog.DefaultExt.toStdString());
    EXPECT_EQ("*.log", dialogs->FileDialogs[0].Dialog.Filter.toStdString());
    EXPECT_TRUE(dialogs->Questions.empty());
    EXPECT_EQ(std::string(Line12) + "\r\n" + Line11 + "\r\n", ReadFile("out.log"));
    EXPECT_EQ("out.log", form->Chart->DataFileName().toStdString());

    // The context menu's "Zapisz" does the same.
    Save(form->Zapisz2, "ctx.log");
    EXPECT_EQ("*.log", dialogs->FileDialogs[1].Dialog.FileName.toStdString());
    EXPECT_EQ(ReadFile("out.log"), ReadFile("ctx.log"));
}

TEST_F(DataCommandsTest, FailedSaveIsReportedAndChangesNothing) {
    form->AppendDataLine(Line12);
    Save(form->Zapiszjako1, "no-such-dir/x.log");
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
    EXPECT_EQ((std::vector<std::string>{Line12}), Lines());
    EXPECT_EQ("", form->Chart->DataFileName().toStdString());
}

struct TRoundTripCase {
    const char* Name;
    std::string Bytes;
};

std::ostream& operator<<(std::ostream& os, const TRoundTripCase& row) { return os << row.Name; }

std::string EveryByteValue() {
    // Bytes 1 to 255 with CR and LF as one CR LF line end, and no line end after the last line.
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n') bytes += static_cast<char>(b);
    return bytes.substr(0, 100) + "\r\n" + bytes.substr(100);
}

class DataRoundTrip : public DataCommandsTest, public ::testing::WithParamInterface<TRoundTripCase> {};

TEST_P(DataRoundTrip, LoadThenSaveGivesTheSameBytes) {
    WriteFile("in.log", GetParam().Bytes);
    Load("in.log");
    Save(form->Zapisz2, "out.log");
    EXPECT_TRUE(dialogs->Messages.empty());
    EXPECT_EQ(GetParam().Bytes, ReadFile("out.log"));
}

INSTANTIATE_TEST_SUITE_P(Rows, DataRoundTrip,
                         ::testing::Values(TRoundTripCase{"CrLf", std::string(Line12) + "\r\n" + Line11 + "\r\n"},
                                           TRoundTripCase{"NoFinalLineEnd", std::string(Line12) + "\r\n" + Line11},
                                           TRoundTripCase{"EmptyLines", "\r\n\r\n" + std::string(Line11) + "\r\n\r\n"},
                                           TRoundTripCase{"EveryByteValue", EveryByteValue()},
                                           TRoundTripCase{"Empty", ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DataCommandsTest, FileBytesShowAsCodePage1250AndStopAtNul) {
    WriteFile("pl.log", std::string("\xA5\xB9\xE6\xEA\r") + Line12 + "\r" + std::string("cut\0ignored\r\n", 14));
    Load("pl.log");
    ASSERT_EQ(3u, form->Memo2->Lines().Count());
    EXPECT_EQ("Ąąćę", form->Memo2->LineText(0).toStdString());
    EXPECT_EQ("cut", form->Memo2->LineText(2).toStdString());
    EXPECT_EQ(1u, Points1());
}

TEST_F(DataCommandsTest, CommunicationSaveProposesTheLastSavedName) {
    form->AppendCommLog("N?\tLOGGER");
    // Before any save the dialog proposes nothing; a cancel writes nothing.
    form->Zapisz1->trigger();
    ASSERT_EQ(1u, dialogs->FileDialogs.size());
    EXPECT_EQ("", dialogs->FileDialogs[0].Dialog.FileName.toStdString());

    Save(form->Zapiszjako1, "data");
    form->Zapisz1->trigger();
    EXPECT_EQ(QPath("data.log").toStdString(), dialogs->FileDialogs[2].Dialog.FileName.toStdString());

    Save(form->Zapisz1, "comm");
    EXPECT_EQ("N?\tLOGGER\r\n", ReadFile("comm.log"));
    // A data save proposes "*.log" and leaves it there when cancelled.
    form->Zapisz2->trigger();
    form->Zapisz1->trigger();
    EXPECT_EQ("*.log", dialogs->FileDialogs[5].Dialog.FileName.toStdString());
}

TEST_F(DataCommandsTest, ClearCommands) {
    form->AppendCommLog("T?\t2017-03-05 12:00:00");
    form->AppendDataLine(Line12);
    form->ParseDataLines();
    form->Chart->LeftAxis.SetAutomatic(false);
    form->Chart->BottomAxis.SetAutomatic(false);

    // "Kasuj" of the communication panel touches nothing else.
    form->Kasuj1->trigger();
    EXPECT_TRUE(form->Memo1->Lines().Empty());
    EXPECT_EQ(1u, form->Memo2->Lines().Count());
    EXPECT_EQ(1u, Points1());

    // "Kasuj" of the data panel clears the data, the series, the chart and the axes' ranges.
    form->Wyczy1->trigger();
    EXPECT_TRUE(form->Memo2->Lines().Empty());
    EXPECT_EQ(0u, Points1());
    EXPECT_EQ(0u, Points2());
    EXPECT_TRUE(form->Chart->isHidden());
    EXPECT_TRUE(form->Chart->LeftAxis.Automatic());
    EXPECT_TRUE(form->Chart->BottomAxis.Automatic());

    // An empty panel parses to a shown, empty chart.
    form->ParseDataLines();
    EXPECT_FALSE(form->Chart->isHidden());
    EXPECT_EQ(0u, Points1());
}

TEST_F(DataCommandsTest, ParseAppliesTheZoomRuleWithCtrl) {
    form->AppendDataLine(Line12);
    form->Chart->LeftAxis.SetAutomatic(false);
    form->ParseDataLines();
    EXPECT_FALSE(form->Chart->LeftAxis.Automatic());
    form->Chart->KeyboardState = [] { return Qt::KeyboardModifiers(Qt::ControlModifier); };
    form->ParseDataLines();
    EXPECT_TRUE(form->Chart->LeftAxis.Automatic());
}

TEST_F(DataCommandsTest, PreviewHidesOnlyThePanel) {
    form->show();
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    form->Podgld1->trigger();
    EXPECT_FALSE(form->Podgld1->isChecked());
    EXPECT_TRUE(form->Memo2->isHidden());
    EXPECT_EQ(2, form->PageControl1->count());
    EXPECT_TRUE(form->TabSheet2->isVisible());

    // A hidden panel still takes lines, and they are parsed and saved.
    form->AppendDataLine(Line12);
    form->ParseDataLines();
    EXPECT_EQ(1u, Points1());
    Save(form->Zapiszjako1, "hidden.log");
    EXPECT_EQ(std::string(Line12) + "\r\n", ReadFile("hidden.log"));

    form->Podgld1->trigger();
    EXPECT_TRUE(form->Podgld1->isChecked());
    EXPECT_TRUE(form->Memo2->isVisible());
    EXPECT_EQ(1u, form->Memo2->Lines().Count());
}

}  // namespace

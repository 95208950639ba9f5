// The logger's buttons of the real window, offscreen, against lorv304d-emulator on a pty that a
// device map names.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <ostream>
#include <set>
#include <sstream>
#include <thread>

#include "app/error_report.h"
#include "app/main_window.h"
#include "app/masked_edit.h"
#include "app/memo_view.h"
#include "app/scripted_dialogs.h"
#include "base/logger_format.h"
#include "base/testing/file_bytes.h"
#include "data/data_file.h"
#include "emulator/emulator_process.h"
#include "logger/reading_check.h"
#include "serial/serial_port.h"
#include "serial/testing/held_pty.h"

namespace {

const LoggerFormat Format;

TDateTime At(const char* text) { return Format.TextToDateTime(text); }

std::string Text(const QLineEdit* field) { return field->text().toStdString(); }
std::string Text(const TMaskEdit* field) { return field->text().toStdString(); }

// A window whose working directory, settings file and device map lie in a fresh directory. The
// map stays empty (no port) until a logger is started.
class LoggerWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        mapPath = dir.path().toStdString() + "/devicemap.txt";
        std::ofstream{mapPath};
        setenv("LORV304D_DEVICEMAP", mapPath.c_str(), 1);
        form = std::make_unique<TForm1>(TForm1::TEnvironment{dir.path().toStdString() + "/lorv304d", dialogs});
        // The short pauses after set commands are real (the next query purges the port, which
        // would drop commands the logger has not read yet); the erase pause is only recorded.
        form->Session.Pause = [this](int ms) {
            pauses.push_back(ms);
            if (ms < 1000) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        };
    }
    void TearDown() override {
        form.reset();
        logger.reset();
        unsetenv("LORV304D_DEVICEMAP");
        QDir::setCurrent(oldDir);
    }

    // Starts the emulator with `args`; it writes the device map before it reports its path.
    void StartLogger(std::vector<std::string> args) {
        args.insert(args.end(), {"--devicemap", mapPath});
        logger = std::make_unique<emulator::EmulatorProcess>(args);
    }
    void ConnectTo(std::vector<std::string> args) {
        StartLogger(std::move(args));
        form->btConnect->click();
        ASSERT_TRUE(form->Connected) << "status: " << form->stBar->text().toStdString();
    }

    std::vector<std::string> Log() const { return form->Memo1->Lines().Lines(); }
    // The command of each log line (the text before the TAB).
    std::vector<std::string> Commands(std::size_t from = 0) const {
        std::vector<std::string> commands;
        const auto lines = Log();
        for (std::size_t i = from; i < lines.size(); ++i) commands.push_back(lines[i].substr(0, lines[i].find('\t')));
        return commands;
    }
    std::vector<std::string> Panel() const { return form->Memo2->Lines().Lines(); }
    // Runs `action` from the event pump of a running download, once `when` holds.
    void WhileDownloading(std::function<bool()> when, std::function<void()> action) {
        auto* poll = new QTimer(form.get());
        QObject::connect(poll, &QTimer::timeout, poll, [poll, when, action] {
            if (!when()) return;
            poll->stop();
            action();
        });
        poll->start(5);
    }
    // Presses "Odczyt" and returns once the download it started ended.
    void Download() { form->sbRead->click(); }

    QTemporaryDir dir;
    QString oldDir;
    std::string mapPath;
    std::shared_ptr<TScriptedDialogs> dialogs = std::make_shared<TScriptedDialogs>();
    std::unique_ptr<TForm1> form;
    std::unique_ptr<emulator::EmulatorProcess> logger;
    std::vector<int> pauses;
};

// ---------------------------------------------------------------- connection

TEST_F(LoggerWindowTest, ConnectShowsModelClockAndBatteryWithoutLoggingTheProbe) {
    ConnectTo({"--model", "KX-15-2", "--battery", "3700"});
    EXPECT_EQ("KX-15-2", Text(form->eDev));
    EXPECT_EQ("Połączono z KX-15-2", form->stBar->text().toStdString());
    EXPECT_EQ("3700 mV", Text(form->eVBat));
    EXPECT_TRUE(form->meDT->IsComplete()) << Text(form->meDT);
    EXPECT_EQ((std::vector<std::string>{"T?", "U?"}), Commands());
    EXPECT_FALSE(form->Timer2->isActive());  // only a full settings read starts the clock
    EXPECT_TRUE(dialogs->Messages.empty());
}

struct NoLoggerRow {
    const char* Name;
    std::vector<std::string> Args;
};
void PrintTo(const NoLoggerRow& row, std::ostream* os) { *os << row.Name; }

class NoLogger : public LoggerWindowTest, public ::testing::WithParamInterface<NoLoggerRow> {};

TEST_P(NoLogger, ClearsTheDataAndSaysSo) {
    form->AppendDataLine("2026-12-08 10:00:00    21.50   22.10");
    form->eDev->setText("KX-05");
    StartLogger(GetParam().Args);
    form->btConnect->click();
    EXPECT_FALSE(form->Connected);
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ("No device found", dialogs->Messages[0].Text.toStdString());
    EXPECT_EQ("Lorv304D", dialogs->Messages[0].Caption.toStdString());
    EXPECT_EQ(TMessageIcon::None, dialogs->Messages[0].Icon);
    EXPECT_EQ("KX-05", Text(form->eDev));
    EXPECT_TRUE(Panel().empty());
    EXPECT_TRUE(form->Chart->isHidden());
    // The probed port is not kept: it may belong to another device.
    EXPECT_FALSE(form->SerialPort().IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Answers, NoLogger,
                         ::testing::Values(NoLoggerRow{"Silent", {"--silent"}},
                                           // A letter in front of the name is text, not line noise.
                                           NoLoggerRow{"LetterInFront", {"--model", "qKX-15-1"}},
                                           NoLoggerRow{"TrailingSpace", {"--model", "KX-15-1 "}},
                                           NoLoggerRow{"LowerCase", {"--model", "kx-15-1"}}),
                         [](const auto& info) { return std::string(info.param.Name); });

// Below the message, each port that would not open is named with its reason and fix, in the order
// probed; a port that opened and stayed silent is not.
TEST_F(LoggerWindowTest, NoLoggerNamesThePortsThatWouldNotOpen) {
    const THeldPty held;
    ASSERT_TRUE(held.Held());
    StartLogger({"--silent"});
    std::ofstream(mapPath, std::ios::app)
        << "\\Device\\VCP1=" << held.PortName() << "\n\\Device\\VCP2=lorv304d-no-such-tty\n";
    form->btConnect->click();
    EXPECT_FALSE(form->Connected);
    ASSERT_EQ(1u, dialogs->Messages.size());
    const std::string gone =
        "Port lorv304d-no-such-tty (/dev/lorv304d-no-such-tty): the device is gone (No such file or directory): it "
        "was unplugged or its driver removed. Plug the logger in again and repeat.";
    const std::string busy = "Port " + held.PortName() + " (" + held.Path() + "): busy. It is in use by " +
                             THeldPty::HolderText() + ". Close that program and try again.";
    EXPECT_EQ("No device found\n\n" + gone + "\n\n" + busy, dialogs->Messages[0].Text.toStdString());
    EXPECT_EQ(TMessageIcon::None, dialogs->Messages[0].Icon);
}

TEST_F(LoggerWindowTest, SettingsButtonsDoNothingWithoutALogger) {
    form->meStart->setText("2026-12-10 08:00:00");
    form->meStop->setText("2026-12-11 08:00:00");
    form->mePeriod->setText("00:01:00");
    form->btReadCfg->click();
    form->btWriteCfg->click();
    EXPECT_TRUE(Log().empty());
    EXPECT_TRUE(dialogs->Messages.empty());
    EXPECT_TRUE(pauses.empty());
}

// ---------------------------------------------------------------- settings

struct StopRow {
    const char* Name;
    const char* Stop;         // the logger's recording stop
    const char* ProposedEnd;  // meRdStop after the read, with "now" 2026-12-08 12:00:00
};
void PrintTo(const StopRow& row, std::ostream* os) { *os << row.Name; }

class ReadSettings : public LoggerWindowTest, public ::testing::WithParamInterface<StopRow> {};

TEST_P(ReadSettings, FillsEveryFieldAndProposesTheRange) {
    ConnectTo(
        {"--start", "2026-12-01 08:00:00", "--stop", GetParam().Stop, "--interval", "00:00:30", "--battery", "3581"});
    form->Session.CurrentTime = [] { return At("2026-12-08 12:00:00"); };
    form->btReadCfg->click();
    EXPECT_EQ("2026-12-01 08:00:00", Text(form->meStart));
    EXPECT_EQ("2026-12-01 08:00:00", Text(form->meRdStart));
    EXPECT_EQ(GetParam().Stop, Text(form->meStop));
    EXPECT_EQ(GetParam().ProposedEnd, Text(form->meRdStop));
    EXPECT_EQ("00:00:30", Text(form->mePeriod));
    EXPECT_EQ("3581 mV", Text(form->eVBat));
    EXPECT_EQ(30, form->RecIntervalSeconds);
    EXPECT_DOUBLE_EQ(At("2026-12-01 08:00:00"), form->RecStart);
    EXPECT_DOUBLE_EQ(At(GetParam().Stop), form->RecStop);
    EXPECT_TRUE(form->Timer2->isActive());
    EXPECT_EQ((std::vector<std::string>{"T?", "U?", "T?", "R?", "S?", "I?", "C?", "U?"}), Commands());
}

INSTANTIATE_TEST_SUITE_P(
    Stops, ReadSettings,
    ::testing::Values(StopRow{"PastStopEndsTheRangeThere", "2026-12-05 18:30:00", "2026-12-05 18:30:00"},
                      StopRow{"FutureStopEndsTheRangeNow", "2027-01-04 18:30:00", "2026-12-08 12:00:00"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(LoggerWindowTest, StartRecordingSendsClockStartStopAndIntervalInOrder) {
    ConnectTo({});
    const std::size_t before = Log().size();
    form->Session.CurrentTime = [] { return At("2026-12-08 12:00:00"); };
    form->meStart->setText("2026-12-10 08:00:00");
    form->meStop->setText("2026-12-11 09:30:00");
    form->mePeriod->setText("00:00:30");
    form->btWriteCfg->click();
    EXPECT_EQ((std::vector<std::string>{"T!2026-12-08 12:00:00", "R!2026-12-10 08:00:00", "S!2026-12-11 09:30:00",
                                        "I!00:00:30"}),
              Commands(before));
    EXPECT_EQ((std::vector<int>{50, 50, 50, 50}), pauses);
    EXPECT_DOUBLE_EQ(At("2026-12-10 08:00:00"), form->RecStart);
    EXPECT_DOUBLE_EQ(At("2026-12-11 09:30:00"), form->RecStop);
    // The seconds come from the interval last read (here the settings file's default), not from
    // the text just sent.
    EXPECT_EQ(60, form->RecIntervalSeconds);

    // The logger took every value.
    form->btReadCfg->click();
    EXPECT_EQ("2026-12-10 08:00:00", Text(form->meStart));
    EXPECT_EQ("2026-12-11 09:30:00", Text(form->meStop));
    EXPECT_EQ("00:00:30", Text(form->mePeriod));
    EXPECT_EQ(30, form->RecIntervalSeconds);
}

struct BadTextRow {
    const char* Name;
    const char* Start;
    const char* Stop;
    const char* Period;
    const char* Error;
};
void PrintTo(const BadTextRow& row, std::ostream* os) { *os << row.Name; }

class StartRecordingRefuses : public LoggerWindowTest, public ::testing::WithParamInterface<BadTextRow> {};

TEST_P(StartRecordingRefuses, ABadTextSendsNothingAndIsReported) {
    ConnectTo({});
    const std::size_t before = Log().size();
    form->meStart->setText(GetParam().Start);
    form->meStop->setText(GetParam().Stop);
    form->mePeriod->setText(GetParam().Period);
    form->btWriteCfg->click();
    EXPECT_EQ(std::vector<std::string>{}, Commands(before));
    EXPECT_TRUE(pauses.empty());
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(ErrorReportText(GetParam().Error), dialogs->Messages[0].Text.toStdString());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
}

INSTANTIATE_TEST_SUITE_P(Texts, StartRecordingRefuses,
                         ::testing::Values(BadTextRow{"EmptyStart", "", "2026-12-11 09:30:00", "00:01:00",
                                                      "'    -  -     :  :  ' is not a valid date and time"},
                                           BadTextRow{"ImpossibleStop", "2026-12-10 08:00:00", "2026-13-45 09:30:00",
                                                      "00:01:00", "'2026-13-45 09:30:00' is not a valid date and time"},
                                           BadTextRow{"ImpossibleInterval", "2026-12-10 08:00:00",
                                                      "2026-12-11 09:30:00", "00:99:00",
                                                      "'00:99:00' is not a valid time"}),
                         [](const auto& info) { return std::string(info.param.Name); });

class EraseAnswer : public LoggerWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(EraseAnswer, ErasesOnlyOnYes) {
    dialogs->YesNoAnswers = {GetParam()};
    form->btNew->click();
    ASSERT_EQ(1u, dialogs->Questions.size());
    EXPECT_EQ("Nowa rejestracja.", dialogs->Questions[0].Caption.toStdString());
    EXPECT_EQ("Kasowanie danych rejestratora !\nKontynuować ?", dialogs->Questions[0].Text.toStdString());
    EXPECT_EQ(GetParam() ? std::vector<std::string>{"E!"} : std::vector<std::string>{}, Log());
    EXPECT_EQ(GetParam() ? std::vector<int>{1000} : std::vector<int>{}, pauses);
}

INSTANTIATE_TEST_SUITE_P(Answers, EraseAnswer, ::testing::Values(true, false),
                         [](const auto& info) { return std::string(info.param ? "Yes" : "No"); });

TEST_F(LoggerWindowTest, LeavingTheIntervalKeepsAtLeastTwoSeconds) {
    const std::pair<const char*, const char*> rows[] = {
        {"00:00:00", "00:00:02"}, {"00:00:01", "00:00:02"}, {"00:00:02", "00:00:02"}, {"01:00:00", "01:00:00"}};
    for (const auto& [typed, kept] : rows) {
        form->mePeriod->setText(typed);
        form->mePeriodExit();
        EXPECT_EQ(kept, Text(form->mePeriod)) << "typed " << typed;
    }
    form->mePeriod->setText("");
    emit form->mePeriod->Exited();
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(ErrorReportText("'  :  :  ' is not a valid time"), dialogs->Messages[0].Text.toStdString());
}

TEST_F(LoggerWindowTest, ClockShowsTheLastAnswerPlusTheTimeElapsed) {
    std::int64_t ms = 1000;
    form->Session.MonotonicMs = [&ms] { return ms; };
    ConnectTo({"--clock-offset", "-7200"});
    const TDateTime read = form->LoggerClock;
    ms += 3500;
    form->Timer2Timer();
    EXPECT_EQ(Format.DateTimeToText(read + 3.5 / 86400), Text(form->meDT));
    // A tick counts nothing by itself: only elapsed time moves the clock.
    form->Timer2Timer();
    form->Timer2Timer();
    EXPECT_EQ(Format.DateTimeToText(read + 3.5 / 86400), Text(form->meDT));
}

// ---------------------------------------------------------------- range and download

struct RangeRow {
    const char* Name;
    const char* From;
    const char* To;
    const char* First;  // Edit1
    const char* End;    // Edit2
};
void PrintTo(const RangeRow& row, std::ostream* os) { *os << row.Name; }

class ReadRange : public LoggerWindowTest, public ::testing::WithParamInterface<RangeRow> {};

TEST_P(ReadRange, GivesTheNearestReadingIndices) {
    form->RecStart = At("2026-12-01 08:00:00");
    form->RecStop = At("2026-12-02 08:00:00");
    form->RecIntervalSeconds = 60;
    form->Session.CurrentTime = [] { return At("2026-12-08 12:00:00"); };
    form->meRdStart->setText(GetParam().From);
    form->meRdStop->setText(GetParam().To);
    form->Button1->click();
    EXPECT_TRUE(dialogs->Messages.empty());
    EXPECT_EQ(GetParam().First, form->Edit1->text().toStdString());
    EXPECT_EQ(GetParam().End, form->Edit2->text().toStdString());
    EXPECT_EQ(GetParam().To, Text(form->meRdStop));  // the recording has stopped: the end stays
}

INSTANTIATE_TEST_SUITE_P(
    Times, ReadRange,
    ::testing::Values(RangeRow{"TwentyNineSecondsRoundDown", "2026-12-01 08:00:29", "2026-12-01 09:00:00", "0", "60"},
                      RangeRow{"FortySecondsRoundUp", "2026-12-01 08:00:40", "2026-12-01 09:00:29", "1", "60"},
                      RangeRow{"OneIntervalBeforeTheStart", "2026-12-01 07:59:00", "2026-12-01 08:01:30", "1", "2"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(LoggerWindowTest, ARunningRecordingEndsTheRangeNow) {
    form->RecStart = At("2026-12-01 08:00:00");
    form->RecStop = At("2027-01-01 08:00:00");
    form->RecIntervalSeconds = 60;
    form->Session.CurrentTime = [] { return At("2026-12-01 09:00:10"); };
    form->meRdStart->setText("2026-12-01 08:00:00");
    form->meRdStop->setText("2026-12-31 08:00:00");
    form->Button1Click();
    EXPECT_EQ("2026-12-01 09:00:10", Text(form->meRdStop));
    EXPECT_EQ("60", form->Edit2->text().toStdString());
}

TEST_F(LoggerWindowTest, NoKnownIntervalIsReportedAndSendsNothing) {
    form->meRdStart->setText("2026-12-01 08:00:00");
    form->meRdStop->setText("2026-12-01 09:00:00");
    form->sbRead->click();
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
    EXPECT_NE(std::string::npos, dialogs->Messages[0].Text.toStdString().find("interval")) << "a clear message";
    EXPECT_TRUE(Log().empty());
    EXPECT_TRUE(form->sbRead->isChecked());  // the next press lets it up
    form->sbRead->click();
    EXPECT_FALSE(form->sbRead->isChecked());
    EXPECT_EQ(2u, dialogs->Messages.size());
    EXPECT_TRUE(Log().empty());
}

TEST_F(LoggerWindowTest, DownloadFillsThePanelWritesDataLogAndShowsTheChart) {
    ConnectTo({"--readings", "60", "--interval", "00:01:00"});
    form->btReadCfg->click();
    ASSERT_EQ("0", form->Edit1->text().toStdString());
    const std::size_t before = Log().size();
    Download();

    EXPECT_EQ((std::vector<std::string>{"D?0", "D?25", "D?50"}), Commands(before));
    EXPECT_EQ("84%", form->stBar->text().toStdString());  // 50 of 59; the third chunk goes past the end
    const auto panel = Panel();
    ASSERT_EQ(60u, panel.size());  // every line of every chunk is kept
    EXPECT_EQ(std::set<std::string>(panel.begin(), panel.end()).size(), panel.size());
    EXPECT_EQ(readings::JoinTextLines(form->Memo2->Lines()), ReadFileBytes(dir.path().toStdString() + "/data.log"));
    EXPECT_FALSE(form->sbRead->isChecked());
    EXPECT_FALSE(form->Chart->isHidden());
    EXPECT_EQ(60u, form->Chart->Series1.Count());
    EXPECT_EQ(60u, form->Chart->Series2.Count());
    EXPECT_EQ("data.log", form->Chart->DataFileName().toStdString());
    EXPECT_EQ(panel.back(), form->LastReadingLine);
    EXPECT_EQ(panel.back().substr(0, 19), Text(form->meRdStart));
    EXPECT_EQ(panel.back().substr(0, 19), Text(form->meRdStop));
    EXPECT_TRUE(dialogs->Messages.empty());

    // Nothing was recorded since: the press only says so and the button stays down.
    const std::size_t afterFirst = Log().size();
    Download();
    EXPECT_EQ("Brak nowych danych !", form->stBar->text().toStdString());
    EXPECT_TRUE(form->sbRead->isChecked());
    Download();
    EXPECT_FALSE(form->sbRead->isChecked());
    EXPECT_EQ(afterFirst, Log().size());
    EXPECT_EQ(60u, Panel().size());
}

TEST_F(LoggerWindowTest, StoppingMidwayKeepsSavesAndParsesWhatCameAndTheNextPressGoesOn) {
    ConnectTo({"--readings", "40", "--interval", "1", "--baud", "9600"});
    form->btReadCfg->click();
    WhileDownloading([this] { return form->Memo2->Lines().Count() >= 5; }, [this] { form->sbRead->click(); });
    Download();
    const auto first = Panel();
    ASSERT_GE(first.size(), 5u);
    ASSERT_LT(first.size(), 40u);
    EXPECT_EQ(std::set<std::string>(first.begin(), first.end()).size(), first.size());
    EXPECT_FALSE(form->sbRead->isChecked());
    EXPECT_EQ(readings::JoinTextLines(form->Memo2->Lines()), ReadFileBytes("data.log"));
    EXPECT_FALSE(form->Chart->isHidden());
    EXPECT_EQ(first.size(), form->Chart->Series1.Count());

    // The next press goes on from the last reading kept. The series hold each line of the panel
    // once, not the earlier points again.
    Download();
    const auto all = Panel();
    ASSERT_GT(all.size(), first.size());
    EXPECT_EQ(first, std::vector<std::string>(all.begin(), all.begin() + first.size()));
    EXPECT_EQ(all.size(), form->Chart->Series1.Count());
    EXPECT_EQ(all.size(), form->Chart->Series2.Count());
    EXPECT_EQ(readings::JoinTextLines(form->Memo2->Lines()), ReadFileBytes("data.log"));
}

TEST_F(LoggerWindowTest, AnUnwritableDataLogIsReportedAndKeepsThePanel) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("data.log"));  // a directory cannot be replaced by the file
    ConnectTo({"--readings", "10", "--interval", "00:01:00"});
    form->btReadCfg->click();
    Download();
    EXPECT_EQ(10u, Panel().size());
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
    EXPECT_NE(std::string::npos, dialogs->Messages[0].Text.toStdString().find("data.log"));
    EXPECT_FALSE(form->sbRead->isChecked());
    EXPECT_TRUE(form->Chart->isHidden());  // no parse after a failed write
    EXPECT_TRUE(QFileInfo(dir.path() + "/data.log").isDir());
}

TEST_F(LoggerWindowTest, AFaultyLineStillFillsThePanelWithEveryReadingOnceAndClean) {
    // A finished recording of 120 readings, so that the faults fall on the same lines each run.
    const TDateTime start = std::floor(Now() * 1440 - 60) / 1440;
    ConnectTo({"--start", Format.DateTimeToText(start), "--stop", Format.DateTimeToText(start + 119 / 86400.0),
               "--interval", "1", "--cut-line", "--line-noise", "13", "--lost-lf", "31"});
    form->btReadCfg->click();
    Download();
    const auto panel = Panel();
    ASSERT_EQ(120u, panel.size());
    TDateTime previous = 0;
    for (std::size_t i = 0; i < panel.size(); ++i) {
        ASSERT_TRUE(lorv::CheckReadingLine(panel[i], Format).Reading) << panel[i];
        const TDateTime at = *lorv::CheckReadingLine(panel[i], Format).Time;
        if (i > 0) {
            EXPECT_EQ(1, SecondsBetween(previous, at)) << panel[i];
        }
        previous = at;
    }
    EXPECT_TRUE(dialogs->Messages.empty());
    EXPECT_EQ(readings::JoinTextLines(form->Memo2->Lines()), ReadFileBytes("data.log"));
}

struct EndingRow {
    const char* Name;
    std::vector<std::string> Args;
    std::size_t Stored;
    const char* Report;  // the one error report, before its "."
};
void PrintTo(const EndingRow& row, std::ostream* os) { *os << row.Name; }

class DownloadEnding : public LoggerWindowTest, public ::testing::WithParamInterface<EndingRow> {};

// What came is saved and drawn first; then the one report says what the download fell short of,
// while the status line keeps its last percentage.
TEST_P(DownloadEnding, IsReportedOnceAfterTheDataIsSavedAndDrawn) {
    // A finished recording of exactly 40 readings: with a running one at one reading a second, a
    // slow start (a loaded machine) lets a 41st be taken before the settings are read.
    const TDateTime start = std::floor(Now() * 1440 - 60) / 1440;
    std::vector<std::string> args = {"--start", Format.DateTimeToText(start), "--stop",
                                     Format.DateTimeToText(start + 39 / 86400.0), "--interval", "1"};
    args.insert(args.end(), GetParam().Args.begin(), GetParam().Args.end());
    ConnectTo(args);
    form->btReadCfg->click();
    std::vector<bool> drawnAtReport;
    dialogs->OnMessage = [this, &drawnAtReport](const TShownMessage&) {
        drawnAtReport.push_back(!form->Chart->isHidden() && QFileInfo::exists("data.log"));
    };
    Download();

    EXPECT_EQ(GetParam().Stored, Panel().size());
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(ErrorReportText(GetParam().Report), dialogs->Messages[0].Text.toStdString());
    EXPECT_EQ(TMessageIcon::Error, dialogs->Messages[0].Icon);
    EXPECT_EQ(std::vector<bool>{true}, drawnAtReport);
    EXPECT_EQ(readings::JoinTextLines(form->Memo2->Lines()), ReadFileBytes("data.log"));
    EXPECT_EQ(GetParam().Stored, form->Chart->Series1.Count());
    EXPECT_FALSE(form->sbRead->isChecked());
    EXPECT_NE(std::string::npos, form->stBar->text().toStdString().find('%'));
}

INSTANTIATE_TEST_SUITE_P(
    Endings, DownloadEnding,
    ::testing::Values(
        EndingRow{"Unplugged", {"--unplug-after", "30"}, 30, "The download stopped at reading 30: Input/output error"},
        EndingRow{"DamagedReadingKept", {"--bad-reading", "7"}, 40, "Damaged lines kept as received for readings 7"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(LoggerWindowTest, ARecordingThatStartsLaterIsReportedWithoutAsking) {
    ConnectTo({"--start-in", "3600"});
    form->btReadCfg->click();
    const std::size_t before = Log().size();
    Download();
    EXPECT_EQ(before, Log().size());
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(ErrorReportText("The recording starts at " + Text(form->meStart) + "; the logger holds no reading yet"),
              dialogs->Messages[0].Text.toStdString());
    EXPECT_FALSE(form->sbRead->isChecked());
    EXPECT_TRUE(Panel().empty());
}

// The real focus moves: the field has the focus in the shown, active window when the button is
// clicked with the mouse.
TEST_F(LoggerWindowTest, ClickingAButtonOutOfAnIncompleteFieldShowsOneMessageAndRunsNothing) {
    ConnectTo({});
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const std::size_t before = Log().size();
    const std::string invalid = ErrorReportText(TMaskEdit::InvalidInputMessage);

    form->meStart->setFocus(Qt::MouseFocusReason);
    form->meStart->setCursorPosition(0);
    QTest::keyClicks(form->meStart, QStringLiteral("2026"));
    QTest::mouseClick(form->btWriteCfg, Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_EQ(1u, dialogs->Messages.size());
    EXPECT_EQ(invalid, dialogs->Messages[0].Text.toStdString());
    EXPECT_TRUE(form->meStart->hasFocus());
    EXPECT_EQ(before, Log().size()) << "the button's handler ran";

    // The same when the check runs between the press and the release.
    QTest::mousePress(form->btWriteCfg, Qt::LeftButton);
    QCoreApplication::processEvents();
    QTest::mouseRelease(form->btWriteCfg, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(2u, dialogs->Messages.size());
    EXPECT_TRUE(form->meStart->hasFocus());
    EXPECT_EQ(before, Log().size()) << "the button's handler ran";

    // Completed, the field lets the click through.
    QTest::keyClicks(form->meStart, QStringLiteral("1210080000"));
    form->meStop->setText("2026-12-11 08:00:00");
    form->mePeriod->setText("00:01:00");
    QTest::mouseClick(form->btWriteCfg, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(2u, dialogs->Messages.size());
    EXPECT_EQ("R!2026-12-10 08:00:00", Log()[before + 1]);
}

TEST_F(LoggerWindowTest, ClosingTheWindowMidwayEndsTheDownloadFirst) {
    ConnectTo({"--readings", "100", "--interval", "1", "--baud", "9600"});
    form->btReadCfg->click();
    WhileDownloading([this] { return form->Memo2->Lines().Count() >= 5; }, [this] { form->close(); });
    Download();
    EXPECT_FALSE(form->sbRead->isChecked());
    EXPECT_FALSE(form->SerialPort().IsOpen());
    EXPECT_EQ("d!", Commands().back());
    const auto panel = Panel();
    EXPECT_GE(panel.size(), 5u);
    EXPECT_LT(panel.size(), 100u);
    EXPECT_EQ(readings::JoinTextLines(form->Memo2->Lines()), ReadFileBytes("data.log"));
    form.reset();  // freed only now that the download has returned
}

}  // namespace

// lorv304d-cli as a separate process against lorv304d-emulator on a pty, found through a device
// map: each command's output and exit status, appending downloads, a silent logger, a stop signal
// in the middle of a download, and command lines refused before anything is sent.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <tuple>

#include <sqlite3.h>

#include "base/logger_format.h"
#include "base/testing/file_bytes.h"
#include "cli/testing/cli_child.h"
#include "emulator/emulator_process.h"
#include "logger/reading_check.h"
#include "serial/testing/held_pty.h"


namespace {

// The lines of a CR LF text; empty when any line ends differently.
std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) return {};
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// A logger time text with the time part always written.
std::string FullText(TDateTime t) {
    LoggerFormat f;
    return f.DateToText(t) + " " + f.TimeToText(t);
}

// One run of the tool with its own output files.
class TCliProcess {
  public:
    // `extraEnv`: "NAME=value" entries that replace those of this process (TZ).
    TCliProcess(const std::vector<std::string>& args, const std::string& deviceMap, const std::string& outputBase,
                const std::vector<std::string>& extraEnv = {})
        : outPath_(outputBase + ".out"), errPath_(outputBase + ".err") {
        std::vector<std::string> env = extraEnv;
        env.push_back("LORV304D_DEVICEMAP=" + deviceMap);
        pid_ = StartCliChild(args, env, outPath_, errPath_);
    }
    ~TCliProcess() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    pid_t Pid() const { return pid_; }
    // The exit status, 128 + the signal that ended it, or -1 after 30 s (the process is killed).
    int Wait() {
        status_ = WaitForCliChild(pid_, std::chrono::seconds(30));
        return status_;
    }
    std::string Out() const { return ReadFileBytes(outPath_); }
    std::string Err() const { return ReadFileBytes(errPath_); }

  private:
    std::string outPath_, errPath_;
    pid_t pid_ = -1;
    int status_ = -1;
};

struct TRun {
    int Status;
    std::string Out, Err;
};

class CliAgainstEmulator : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = testing::TempDir() + "cli_process_" + std::to_string(getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Path(const std::string& name) const { return dir_ + name; }

    // A device map whose only VCP entry is the emulator's port, followed by `extra` lines.
    void MapTo(const emulator::EmulatorProcess& logger, const std::vector<std::string>& extra = {}) {
        std::ofstream map(Path("map.txt"), std::ios::trunc);
        map << "\\Device\\VCP0=" << logger.SlavePath().substr(5) << "\n";
        for (const auto& line : extra) map << line << "\n";
    }

    // Every run archives into the test's own file unless `extraEnv` names another.
    TRun Run(const std::vector<std::string>& args, std::vector<std::string> extraEnv = {}) {
        extraEnv.push_back("LORV304D_ARCHIVE=" + Path("archive.sqlite3"));
        TCliProcess p(args, Path("map.txt"), Path("run" + std::to_string(++runs_)), extraEnv);
        const int status = p.Wait();
        return {status, p.Out(), p.Err()};
    }

    std::string dir_;
    int runs_ = 0;
};

TEST_F(CliAgainstEmulator, PortsFindAndStatusOfOneLogger) {
    emulator::EmulatorProcess logger(
        {"--model", "KXW-16-2", "--readings", "61", "--battery", "4012", "--clock-offset", "-125"});
    MapTo(logger, {"\\Device\\Serial0=ttyS99", "\\Device\\VCP1=pts/no-such-pty"});
    const std::string pts = logger.SlavePath().substr(5);

    // The search goes from the last entry to the first; the port that does not open costs nothing.
    TRun r = Run({"ports"});
    EXPECT_EQ(0, r.Status);
    EXPECT_EQ("\\Device\\VCP1:pts/no-such-pty\n\\Device\\VCP0:" + pts + "\n", r.Out);
    r = Run({"ports", "--all"});
    EXPECT_EQ("\\Device\\VCP1:pts/no-such-pty\n\\Device\\Serial0:ttyS99\n\\Device\\VCP0:" + pts + "\n", r.Out);

    r = Run({"find"});
    EXPECT_EQ(0, r.Status) << r.Err;
    EXPECT_EQ(pts + "\tKXW-16-2\n", r.Out);
    EXPECT_EQ("", r.Err) << "a port that would not open is no matter once the logger is found";
    r = Run({"find", "--port", logger.SlavePath()});
    EXPECT_EQ(logger.SlavePath() + "\tKXW-16-2\n", r.Out);
    r = Run({"find", "--port", pts});
    EXPECT_EQ(pts + "\tKXW-16-2\n", r.Out);
    r = Run({"find", "--port", "/dev/no-such-port"});
    EXPECT_EQ(3, r.Status);
    EXPECT_EQ(
        "lorv304d-cli: Port /dev/no-such-port: the device is gone (No such file or directory): it was unplugged "
        "or its driver removed. Plug the logger in again and repeat.\n",
        r.Err);

    r = Run({"status"});
    EXPECT_EQ(0, r.Status) << r.Err;
    EXPECT_NE(std::string::npos, r.Out.find("Model:    KXW-16-2\n")) << r.Out;
    EXPECT_NE(std::string::npos, r.Out.find("Battery:  4012 mV\n")) << r.Out;
    EXPECT_NE(std::string::npos, r.Out.find(" from this computer)\n")) << r.Out;
    EXPECT_NE(std::string::npos, r.Out.find("Interval: 00:01:00\n")) << r.Out;

    r = Run({"status", "--json"});
    EXPECT_EQ(0, r.Status) << r.Err;
    EXPECT_NE(std::string::npos, r.Out.find("\"model\":\"KXW-16-2\",\"battery_mv\":4012,\"battery\":\"4012 mV\""))
        << r.Out;
    EXPECT_NE(std::string::npos, r.Out.find("\"interval\":\"00:01:00\",\"interval_s\":60}\n")) << r.Out;
}

TEST_F(CliAgainstEmulator, StatusShowsHowFarTheLoggerClockIsOff) {
    struct TShown {
        std::vector<std::string> Args;
        std::string Exact, OneLess;
    };
    const auto check = [this](const TShown& shown) {
        // A second of the logger may turn while its answer is on the way (milliseconds, more on a
        // busy machine): the figure is then one less, never anything else. Three such runs in a
        // row would take a machine that stalls.
        std::string out;
        for (int run = 0; run < 3; ++run) {
            const TRun r = Run(shown.Args);
            ASSERT_EQ(0, r.Status) << r.Err;
            out = r.Out;
            if (out.find(shown.Exact) != std::string::npos) return;
            EXPECT_NE(std::string::npos, out.find(shown.OneLess)) << out;
        }
        ADD_FAILURE() << "no run showed " << shown.Exact << ", the last: " << out;
    };
    {
        emulator::EmulatorProcess logger({"--clock-offset", "120"});
        MapTo(logger);
        check({{"status"}, "(+2 min 00 s from this computer)\n", "(+1 min 59 s from this computer)\n"});
        check({{"status", "--json"}, "\"clock_offset_s\":120,", "\"clock_offset_s\":119,"});
    }
    emulator::EmulatorProcess logger({"--clock-offset", "-45"});
    MapTo(logger);
    check({{"status"}, "(-45 s from this computer)\n", "(-46 s from this computer)\n"});
    check({{"status", "--json"}, "\"clock_offset_s\":-45,", "\"clock_offset_s\":-46,"});
}

// Without a logger, a port that would not open is a port error: "No device found", then a line
// for each such port with its reason and fix; with --port, that port's line alone.
TEST_F(CliAgainstEmulator, PortsThatWouldNotOpenAreNamedWithTheirReasonAndFix) {
    const THeldPty held;
    ASSERT_TRUE(held.Held());
    std::ofstream(Path("map.txt")) << "\\Device\\VCP0=" << held.PortName() << "\n\\Device\\VCP1=lorv304d-no-such-tty\n";
    const std::string busy =
        "busy. It is in use by " + THeldPty::HolderText() + ". Close that program and try again.\n";
    const std::string gone =
        "lorv304d-cli: Port lorv304d-no-such-tty (/dev/lorv304d-no-such-tty): the device is gone (No such file or "
        "directory): it was unplugged or its driver removed. Plug the logger in again and repeat.\n";

    TRun r = Run({"status"});
    EXPECT_EQ(3, r.Status);
    EXPECT_EQ("", r.Out);
    EXPECT_EQ("lorv304d-cli: No device found\n" + gone + "lorv304d-cli: Port " + held.PortName() + " (" + held.Path() +
                  "): " + busy,
              r.Err);

    r = Run({"find", "--port", held.Path()});
    EXPECT_EQ(3, r.Status);
    EXPECT_EQ("lorv304d-cli: Port " + held.Path() + ": " + busy, r.Err);
}

TEST_F(CliAgainstEmulator, DownloadToStandardOutputWithTheCommunicationLog) {
    emulator::EmulatorProcess logger({"--readings", "61", "--interval", "00:01:00"});
    MapTo(logger);
    TRun r = Run({"download", "--comm-log", Path("comm.log")});
    ASSERT_EQ(0, r.Status) << r.Err;
    const std::vector<std::string> lines = CrLfLines(r.Out);
    ASSERT_EQ(61u, lines.size()) << r.Out;
    LoggerFormat f;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(35u, lines[i].size()) << lines[i];
        if (i > 0) {
            EXPECT_EQ(60, SecondsBetween(f.TextToDateTime(lines[i - 1].substr(0, 19)),
                                         f.TextToDateTime(lines[i].substr(0, 19))));
        }
    }
    EXPECT_NE(std::string::npos, r.Err.find("Downloaded 61 of 61 readings (100%)\n")) << r.Err;

    const std::vector<std::string> log = CrLfLines(ReadFileBytes(Path("comm.log")));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("T?", log.front().substr(0, 2));
    EXPECT_EQ("d!", log.back());
    for (const char* request : {"D?0", "D?25", "D?50"})
        EXPECT_NE(log.end(), std::find(log.begin(), log.end(), request)) << request;
    for (const auto& line : log) EXPECT_NE("N?", line.substr(0, 2)) << "the probe is not logged";

    // A range inside the recording gives exactly its readings.
    r = Run({"download", "--from", lines[50].substr(0, 19), "--to", lines[55].substr(0, 19), "-q"});
    ASSERT_EQ(0, r.Status) << r.Err;
    EXPECT_EQ("", r.Err);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 50, lines.begin() + 56), CrLfLines(r.Out));
}

// The readings of a recording across a change of the clocks in Warsaw, one a minute from 01:58 to
// 03:01 local time, as data-file lines and as CSV or TSV: `utc` false gives the rows of the
// local times, true those in UTC, each with the temperatures of the lines as read.
TEST_F(CliAgainstEmulator, DownloadsAsCsvOrTsvWithTheOffsetsOfTheClockChanges) {
    const auto trimmed = [](const std::string& field) {
        const std::size_t begin = field.find_first_not_of(' ');
        return field.substr(begin, field.find_last_not_of(' ') - begin + 1);
    };
    const auto clock = [](int minute) {
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d", minute / 60, minute % 60);
        return std::string(text);
    };
    const auto download = [&](const char* day, std::vector<std::string> args) {
        emulator::EmulatorProcess logger({"--start", std::string(day) + " 01:58:00", "--stop",
                                          std::string(day) + " 03:01:00", "--interval", "00:01:00"});
        MapTo(logger);
        TRun lines = Run({"download", "-q"});
        EXPECT_EQ(0, lines.Status) << lines.Err;
        TRun table = Run(args, {"TZ=Europe/Warsaw"});
        EXPECT_EQ(0, table.Status) << table.Err;
        return std::make_pair(CrLfLines(lines.Out), table);
    };

    // Spring: 02:00 to 02:59 do not exist and keep the winter offset; CSV to a file.
    auto [lines, r] = download("2024-03-31", {"download", "--format", "csv", "-o", Path("spring.csv")});
    ASSERT_EQ(64u, lines.size());
    std::string expected = "time,t1_c,t2_c\r\n";
    for (int i = 0; i < 64; ++i)
        expected += "2024-03-31T" + clock(118 + i) + ":00" + (118 + i < 180 ? "+01:00," : "+02:00,") +
                    trimmed(lines[i].substr(19, 8)) + "," + trimmed(lines[i].substr(27, 8)) + "\r\n";
    EXPECT_EQ(expected, ReadFileBytes(Path("spring.csv")));
    EXPECT_EQ("", r.Out);
    EXPECT_NE(std::string::npos, r.Err.find("\n64 readings written to " + Path("spring.csv") +
                                            ", 0 lines skipped; 60 times in a gap and 0 in a fold of the clocks, "
                                            "written with the offset before the change\n"))
        << r.Err;

    // Autumn: 02:00 to 02:59 come twice and are taken as the first, summer ones; TSV in UTC on
    // standard output.
    std::tie(lines, r) = download("2024-10-27", {"download", "--format", "tsv", "--utc"});
    ASSERT_EQ(64u, lines.size());
    expected = "time\tt1_c\tt2_c\n";
    for (int i = 0; i < 64; ++i) {
        const int utc = 118 + i - (118 + i < 180 ? 120 : 60);
        expected += (utc < 0 ? "2024-10-26T" + clock(utc + 1440) : "2024-10-27T" + clock(utc)) + ":00Z\t" +
                    trimmed(lines[i].substr(19, 8)) + "\t" + trimmed(lines[i].substr(27, 8)) + "\n";
    }
    EXPECT_EQ(expected, r.Out);
    EXPECT_NE(std::string::npos, r.Err.find("\n64 readings, 0 lines skipped; 0 times in a gap and 60 in a fold"))
        << r.Err;
}

TEST_F(CliAgainstEmulator, RangesIncludeBothEndsAndTheNewestReading) {
    emulator::EmulatorProcess logger({"--readings", "26", "--interval", "00:01:00"});
    MapTo(logger);
    TRun r = Run({"download", "-q"});
    ASSERT_EQ(0, r.Status) << r.Err;
    const std::vector<std::string> lines = CrLfLines(r.Out);
    ASSERT_EQ(26u, lines.size()) << r.Out;

    r = Run({"download", "-q", "--from", lines[7].substr(0, 19), "--to", lines[7].substr(0, 19)});
    EXPECT_EQ(0, r.Status) << r.Err;
    EXPECT_EQ(std::vector<std::string>{lines[7]}, CrLfLines(r.Out));

    // A reversed range is refused before anything happens to the output file.
    std::ofstream(Path("keep.log"), std::ios::binary) << "kept\r\n";
    r = Run({"download", "--from", lines[8].substr(0, 19), "--to", lines[7].substr(0, 19), "-o", Path("keep.log")});
    EXPECT_EQ(2, r.Status);
    EXPECT_EQ("kept\r\n", ReadFileBytes(Path("keep.log")));
}

TEST_F(CliAgainstEmulator, ARecordingThatHasNotStartedIsNoFailureAndNothingIsAsked) {
    emulator::EmulatorProcess logger({"--start-in", "3600"});
    MapTo(logger);
    std::ofstream(Path("keep.log"), std::ios::binary) << "kept\r\n";
    const TRun r = Run({"download", "-o", Path("keep.log"), "--comm-log", Path("comm.log")});
    EXPECT_EQ(0, r.Status) << r.Err;
    EXPECT_EQ(0u, r.Err.find("The recording starts at ")) << r.Err;
    EXPECT_NE(std::string::npos, r.Err.find("; no reading exists yet\n")) << r.Err;
    EXPECT_EQ("kept\r\n", ReadFileBytes(Path("keep.log")));
    EXPECT_EQ(std::string::npos, ReadFileBytes(Path("comm.log")).find("D?"));
}

TEST_F(CliAgainstEmulator, AFaultyLineStillGivesEveryReadingOnceAndDamageIsNamed) {
    const TDateTime start = std::floor(Now() * 1440 - 60) / 1440;
    emulator::EmulatorProcess logger({"--start", FullText(start), "--stop", FullText(start + 149.0 / 86400),
                                      "--interval", "1", "--cut-line", "--line-noise", "37", "--lost-lf", "61",
                                      "--bad-reading", "40"});
    MapTo(logger);
    const TRun r = Run({"download", "-o", Path("out.log")});
    EXPECT_EQ(4, r.Status) << r.Err;
    EXPECT_NE(std::string::npos, r.Err.find("\nlorv304d-cli: damaged lines kept as received for readings 40\n"))
        << r.Err;
    const std::vector<std::string> lines = CrLfLines(ReadFileBytes(Path("out.log")));
    ASSERT_EQ(150u, lines.size());
    const LoggerFormat f;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(static_cast<std::int64_t>(i), SecondsBetween(start, f.TextToDateTime(lines[i].substr(0, 19))));
        EXPECT_EQ(i != 40, lorv::CheckReadingLine(lines[i], f).Reading) << lines[i];
    }
}

TEST_F(CliAgainstEmulator, AnUnplugMidDownloadIsAPortErrorThatKeepsWhatCame) {
    const TDateTime start = std::floor(Now() * 1440 - 60) / 1440;
    emulator::EmulatorProcess logger({"--start", FullText(start), "--stop", FullText(start + 199.0 / 86400),
                                      "--interval", "1", "--unplug-after", "60"});
    MapTo(logger);
    const TRun r = Run({"download", "-o", Path("out.log")});
    EXPECT_EQ(3, r.Status) << r.Err;
    EXPECT_NE(std::string::npos, r.Err.find(": Input/output error; readings 60 to 199 were not received\n")) << r.Err;
    EXPECT_NE(std::string::npos, r.Err.find("60 readings written to")) << r.Err;
    EXPECT_EQ(60u, CrLfLines(ReadFileBytes(Path("out.log"))).size());
}

TEST_F(CliAgainstEmulator, StandardOutputFollowsTheDownload) {
    // Paced at 19200 baud the 500 readings take about 10 s; the first ones show long before.
    emulator::EmulatorProcess logger({"--readings", "500", "--baud", "19200"});
    MapTo(logger);
    TCliProcess p({"download", "-q"}, Path("map.txt"), Path("run"));
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (p.Out().find("\r\n") == std::string::npos && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(std::string::npos, p.Out().find("\r\n"));
    // Stopped now, it ends by the signal: the readings were there before the download ended.
    kill(p.Pid(), SIGINT);
    EXPECT_EQ(128 + SIGINT, p.Wait()) << p.Err();
    EXPECT_GE(CrLfLines(p.Out()).size(), 1u);
}

TEST_F(CliAgainstEmulator, AppendAddsOnlyWhatIsNew) {
    // A finished recording of 61 readings, later the same recording with 121: the lines of the
    // first 61 are the same in both.
    const TDateTime start = Now() - 1.0 / 24;
    const std::string startText = FullText(start);
    const std::string file = Path("night.log");
    std::string firstRun;
    {
        emulator::EmulatorProcess logger(
            {"--start", startText, "--stop", FullText(start + 60.0 / 86400), "--interval", "00:00:01"});
        MapTo(logger);
        TRun r = Run({"download", "-o", file, "--append"});
        ASSERT_EQ(0, r.Status) << r.Err;
        EXPECT_NE(std::string::npos, r.Err.find("61 new readings appended to " + file)) << r.Err;
        firstRun = ReadFileBytes(file);
        EXPECT_EQ(61u, CrLfLines(firstRun).size());

        r = Run({"download", "-o", file, "--append"});
        ASSERT_EQ(0, r.Status) << r.Err;
        EXPECT_NE(std::string::npos, r.Err.find("No new readings")) << r.Err;
        EXPECT_EQ(firstRun, ReadFileBytes(file));
    }
    emulator::EmulatorProcess logger(
        {"--start", startText, "--stop", FullText(start + 120.0 / 86400), "--interval", "00:00:01"});
    MapTo(logger);
    TRun r = Run({"download", "-o", file, "--append", "--comm-log", Path("comm.log")});
    ASSERT_EQ(0, r.Status) << r.Err;
    EXPECT_NE(std::string::npos, r.Err.find("60 new readings appended")) << r.Err;
    // It asked from the file's last reading on, not from the start.
    const std::string log = ReadFileBytes(Path("comm.log"));
    EXPECT_NE(std::string::npos, log.find("D?60\r\n")) << log;
    EXPECT_EQ(std::string::npos, log.find("D?0\r\n")) << log;

    r = Run({"download", "-o", Path("whole.log")});
    ASSERT_EQ(0, r.Status) << r.Err;
    EXPECT_EQ(121u, CrLfLines(ReadFileBytes(Path("whole.log"))).size());
    EXPECT_EQ(ReadFileBytes(Path("whole.log")), ReadFileBytes(file));
}

TEST_F(CliAgainstEmulator, SilentLoggerIsNoDeviceAndAQuietOneEndsTheDownload) {
    {
        emulator::EmulatorProcess logger({"--silent"});
        MapTo(logger);
        const TRun r = Run({"find"});
        EXPECT_EQ(1, r.Status);
        EXPECT_EQ("", r.Out);
        EXPECT_EQ("lorv304d-cli: No device found\n", r.Err);
    }
    // Answers the search and the settings (9 commands), then nothing: the download gives up at
    // its first index instead of asking for ever, and writes no file.
    emulator::EmulatorProcess logger({"--readings", "61", "--silent-after", "9"});
    MapTo(logger);
    const TRun r = Run({"download", "-o", Path("out.log")});
    EXPECT_EQ(1, r.Status);
    EXPECT_NE(std::string::npos, r.Err.find("lorv304d-cli: the logger stopped answering at reading 0 of 60; "
                                            "readings 0 to 60 were not received\n"))
        << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Path("out.log")));
}

TEST_F(CliAgainstEmulator, InterruptKeepsAndWritesWhatCame) {
    // Paced at 19200 baud the 500 readings take about 10 s; the signal comes after the first 10 %.
    emulator::EmulatorProcess logger({"--readings", "500", "--baud", "19200"});
    MapTo(logger);
    TCliProcess p({"download", "-o", Path("out.log"), "--comm-log", Path("comm.log")}, Path("map.txt"), Path("run"));
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (p.Err().find("Downloaded") == std::string::npos && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(std::string::npos, p.Err().find("Downloaded")) << p.Err();
    kill(p.Pid(), SIGINT);
    EXPECT_EQ(128 + SIGINT, p.Wait()) << p.Err();

    const std::vector<std::string> lines = CrLfLines(ReadFileBytes(Path("out.log")));
    EXPECT_GE(lines.size(), 50u);
    EXPECT_LT(lines.size(), 450u);
    LoggerFormat f;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(35u, lines[i].size()) << lines[i];
        if (i > 0) {
            EXPECT_EQ(60, SecondsBetween(f.TextToDateTime(lines[i - 1].substr(0, 19)),
                                         f.TextToDateTime(lines[i].substr(0, 19))));
        }
    }
    EXPECT_NE(std::string::npos, p.Err().find(std::to_string(lines.size()) + " readings written to")) << p.Err();
    EXPECT_NE(std::string::npos, ReadFileBytes(Path("comm.log")).find("D?25\r\n"));
}

TEST_F(CliAgainstEmulator, RefusedCommandLinesAndUnwritableOutputSendNothing) {
    emulator::EmulatorProcess logger({"--readings", "10"});
    MapTo(logger);
    TRun r = Run({"download", "--from", "yesterday", "--comm-log", Path("c1.log")});
    EXPECT_EQ(2, r.Status);
    EXPECT_EQ(0u, r.Err.find("lorv304d-cli: 'yesterday' is not a valid date and time\n\nUsage: lorv304d-cli download"))
        << r.Err;

    r = Run({"erase", "--comm-log", Path("c2.log")});
    EXPECT_EQ(2, r.Status);
    EXPECT_EQ(0u, r.Err.find("lorv304d-cli: erase deletes every reading on the logger; give --yes to go ahead\n"))
        << r.Err;

    r = Run({"download", "-o", Path("no-such-dir/out.log"), "--comm-log", Path("c3.log")});
    EXPECT_EQ(3, r.Status);
    EXPECT_EQ("lorv304d-cli: Cannot write " + Path("no-such-dir/out.log") + ": No such file or directory\n", r.Err);

    r = Run({"download", "-o", dir_});
    EXPECT_EQ(3, r.Status);
    EXPECT_EQ("lorv304d-cli: Cannot write " + dir_ + ": Is a directory\n", r.Err);

    // A refused command line is refused before the log is set up; a refused run still leaves it.
    EXPECT_FALSE(std::filesystem::exists(Path("c1.log")));
    EXPECT_FALSE(std::filesystem::exists(Path("c2.log")));
    EXPECT_EQ("", ReadFileBytes(Path("c3.log")));
}

TEST_F(CliAgainstEmulator, StartWritesCheckedSettingsAndEraseNeedsYes) {
    emulator::EmulatorProcess logger({"--readings", "10"});
    MapTo(logger);
    TRun r = Run({"start", "--start", "2030-01-02 03:04:05", "--stop", "2030-02-01", "--interval", "0:0:1",
                  "--comm-log", Path("comm.log")});
    ASSERT_EQ(0, r.Status) << r.Err;
    EXPECT_EQ("Recording set: start 2030-01-02 03:04:05, stop 2030-02-01 00:00:00, interval 00:00:02\n", r.Out);
    const std::string log = ReadFileBytes(Path("comm.log"));
    for (const char* sent : {"\r\nR!2030-01-02 03:04:05\r\n", "\r\nS!2030-02-01 00:00:00\r\n", "\r\nI!00:00:02\r\n"})
        EXPECT_NE(std::string::npos, log.find(sent)) << sent << " in " << log;
    EXPECT_NE(std::string::npos, log.find("\r\nT!")) << log;

    r = Run({"status", "--json"});
    EXPECT_NE(
        std::string::npos,
        r.Out.find("\"start\":\"2030-01-02 03:04:05\",\"stop\":\"2030-02-01 00:00:00\",\"interval\":\"00:00:02\""))
        << r.Out;

    r = Run({"erase", "--yes", "--comm-log", Path("erase.log")});
    EXPECT_EQ(0, r.Status) << r.Err;
    EXPECT_EQ("Logger erased\n", r.Out);
    EXPECT_NE(std::string::npos, ReadFileBytes(Path("erase.log")).find("\r\nE!\r\n"));
    r = Run({"status", "--json"});
    EXPECT_EQ(std::string::npos, r.Out.find("\"start\":\"2030-01-02 03:04:05\"")) << "the recording starts over";
}

// Every download goes into the archive once; export gives the data file's bytes back; verify
// names a reading changed outside the program.
TEST_F(CliAgainstEmulator, DownloadsAreArchivedOnceAndExportGivesTheirBytes) {
    emulator::EmulatorProcess logger({"--readings", "61", "--model", "KX-15-1"});
    MapTo(logger);
    TRun r = Run({"download", "-q", "-o", Path("data.log")});
    ASSERT_EQ(0, r.Status) << r.Err;
    r = Run({"download", "-q", "--to", FullText(Now()), "-o", Path("again.log")});
    ASSERT_EQ(0, r.Status) << r.Err;
    r = Run({"archive", "list", "--json"});
    ASSERT_EQ(0, r.Status) << r.Err;
    EXPECT_NE(std::string::npos, r.Out.find("\"model\":\"KX-15-1\"")) << r.Out;
    EXPECT_NE(std::string::npos, r.Out.find("\"readings\":61,")) << r.Out;
    EXPECT_NE(std::string::npos, r.Out.find("\"damaged\":0,\"missing\":0,\"conflicts\":0,\"downloads\":2}")) << r.Out;
    r = Run({"archive", "export", "1"});
    ASSERT_EQ(0, r.Status) << r.Err;
    EXPECT_EQ(ReadFileBytes(Path("data.log")), r.Out);
    r = Run({"stats", "--recording", "1", "--json"});
    EXPECT_EQ(0, r.Status) << r.Err;
    EXPECT_NE(std::string::npos, r.Out.find("\"readings\":61,")) << r.Out;
    // The data file taken into another archive gives the same recording back.
    const std::string other = "LORV304D_ARCHIVE=" + Path("imported.sqlite3");
    r = Run({"archive", "import", Path("data.log"), "--model", "KX-15-1"}, {other});
    EXPECT_EQ(0, r.Status) << r.Err;
    r = Run({"archive", "export", "1"}, {other});
    EXPECT_EQ(ReadFileBytes(Path("data.log")), r.Out);
    r = Run({"archive", "show", "1"});
    EXPECT_NE(std::string::npos, r.Out.find("Downloads: 2\n")) << r.Out;
    EXPECT_NE(std::string::npos, r.Out.find("range covered, received")) << r.Out;
    r = Run({"archive", "verify"});
    EXPECT_EQ(0, r.Status) << r.Out << r.Err;
    EXPECT_EQ(0u, r.Out.rfind("ok: 61 readings, ", 0)) << r.Out;

    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(Path("archive.sqlite3").c_str(), &db));
    sqlite3_exec(db, "UPDATE readings SET t1 = t1 + 1 WHERE id = 17", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    r = Run({"archive", "verify"});
    EXPECT_EQ(1, r.Status);
    EXPECT_EQ(0u, r.Out.rfind("reading 17 altered\n", 0)) << r.Out;
}

TEST_F(CliAgainstEmulator, AnArchiveThatCannotBeUsedCostsNoReading) {
    emulator::EmulatorProcess logger({"--readings", "30"});
    MapTo(logger);
    const std::string foreign = Path("foreign.sqlite3");
    WriteFileBytes(foreign, std::string(3000, 'z'));
    TRun r = Run({"download", "-q"}, {"LORV304D_ARCHIVE=" + foreign});
    EXPECT_EQ(5, r.Status);
    EXPECT_EQ(30u, CrLfLines(r.Out).size());
    EXPECT_EQ("lorv304d-cli: readings not archived: " + foreign + ": not a database (file is not a database)\n", r.Err);
    EXPECT_EQ(std::string(3000, 'z'), ReadFileBytes(foreign));
    r = Run({"download", "-q", "--no-archive"}, {"LORV304D_ARCHIVE=" + foreign});
    EXPECT_EQ(0, r.Status) << r.Err;
    r = Run({"download", "-q", "--archive", Path("given.sqlite3")}, {"LORV304D_ARCHIVE=" + foreign});
    EXPECT_EQ(0, r.Status) << r.Err;
    EXPECT_TRUE(std::filesystem::exists(Path("given.sqlite3")));
}

// erase refuses while the archive lacks readings the logger holds; download --new fetches just those.
TEST_F(CliAgainstEmulator, EraseOnlyWhatIsArchived) {
    emulator::EmulatorProcess logger({"--readings", "40", "--interval", "00:01:00"});
    MapTo(logger);
    TRun r = Run({"download", "-q", "-o", Path("first.log")});
    ASSERT_EQ(0, r.Status) << r.Err;
    const std::vector<std::string> lines = CrLfLines(ReadFileBytes(Path("first.log")));
    ASSERT_EQ(40u, lines.size());
    // A second archive that holds only the first ten readings.
    const std::string partial = "LORV304D_ARCHIVE=" + Path("partial.sqlite3");
    r = Run({"download", "-q", "--to", lines[9].substr(0, 19)}, {partial});
    ASSERT_EQ(0, r.Status) << r.Err;
    r = Run({"erase", "--yes", "--comm-log", Path("refused.log")}, {partial});
    EXPECT_EQ(6, r.Status);
    EXPECT_EQ("lorv304d-cli: the logger holds 30 readings that are not in the archive; nothing erased "
              "(--discard-unarchived erases them all the same)\n",
              r.Err);
    EXPECT_EQ(std::string::npos, ReadFileBytes(Path("refused.log")).find("E!"));

    r = Run({"download", "--new"}, {partial});
    ASSERT_EQ(0, r.Status) << r.Err;
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 10, lines.end()), CrLfLines(r.Out));
    r = Run({"erase", "--yes"}, {partial});
    EXPECT_EQ(0, r.Status) << r.Err;
    EXPECT_EQ("Logger erased\n", r.Out);
}

}  // namespace

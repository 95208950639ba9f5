#include "logger/logger_session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <thread>

#include "base/errors.h"
#include "logger/logger_time.h"
#include "logger/testing/pty_peer.h"
#include "logger/testing/recording_host.h"
#include "serial/serial_port.h"

using lorv_test::ReadingLine;
using lorv_test::TPtyPeer;
using lorv_test::TRecordingHost;
using Field = TLoggerHost::Field;

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

const LoggerFormat Format;

TDateTime At(const char* text) { return Format.TextToDateTime(text); }

// A logger that answers queries from a table and "D?<n>" with `linesPerRequest` reading lines
// from index n; silent for anything else.
TPtyPeer::Handler Logger(std::map<std::string, std::string> table, int linesPerRequest = 25) {
    return [table, linesPerRequest](const std::string& command) -> std::optional<std::string> {
        if (command.rfind("D?", 0) == 0) {
            const int first = std::stoi(command.substr(2));
            std::string reply;
            for (int i = first; i < first + linesPerRequest; ++i) reply += ReadingLine(i) + "\n";
            return reply;
        }
        const auto it = table.find(command);
        return it == table.end() ? std::string() : it->second;
    };
}

// Points the port search at a device map file of the given "name=data" lines.
void UseDeviceMap(const std::vector<std::string>& lines) {
    // One file per process: CTest may run these tests side by side.
    const std::string path = testing::TempDir() + "logger_devicemap_" + std::to_string(getpid()) + ".txt";
    std::ofstream file(path, std::ios::trunc);
    for (const auto& line : lines) file << line << "\n";
    file.close();
    setenv("LORV304D_DEVICEMAP", path.c_str(), 1);
}

// Waits until the peer has received `count` commands (posted commands are not answered).
std::vector<std::string> CommandsOnceThere(const TPtyPeer& peer, std::size_t count) {
    const auto start = Clock::now();
    while (peer.Commands().size() < count && MsSince(start) < 2000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return peer.Commands();
}

// A session over one port and a recording host, with a fixed "now" and recorded pauses.
struct SessionRig {
    TSerialPort port;
    TRecordingHost host;
    TLoggerSession session{port, host};
    std::vector<int> pauses;

    explicit SessionRig(TDateTime now = At("2026-12-08 12:00:00")) {
        session.CurrentTime = [now] { return now; };
        session.Pause = [this](int ms) { pauses.push_back(ms); };
    }
    void OpenOnto(const TPtyPeer& peer) {
        port.OpenPort(peer.SlavePath());
        port.SetLineParams(115200, 8, 'N', 0, false, false);
        ASSERT_TRUE(port.IsOpen());
    }
};

const std::map<std::string, std::string> StatusAnswers = {{"N?", "KX-15-1\n"},
                                                          {"T?", "2026-12-08 10:00:00\n"},
                                                          {"R?", "2026-12-01 08:00:00\n"},
                                                          {"S?", "2026-12-05 18:30:00\n"},
                                                          {"I?", "00:01:00\n"},
                                                          {"C?", "17\n"},
                                                          {"U?", "3612\n"}};

// ---------------------------------------------------------------- device search

TEST(FindDevice, ProbesFromTheLastVcpEntryAndConnectsToTheLogger) {
    TPtyPeer logger(Logger(StatusAnswers));
    TPtyPeer silent(Logger({}));
    TPtyPeer foreign(Logger({{"N?", "KX-05\n"}}));  // a logger on a port that is not a VCP port
    UseDeviceMap({"\\Device\\VCP0=" + logger.DeviceName(), "\\Device\\Serial0=" + foreign.DeviceName(),
                  "\\Device\\VCP1=" + silent.DeviceName()});
    SessionRig rig;

    const auto start = Clock::now();
    EXPECT_TRUE(rig.session.Connect());
    EXPECT_GE(MsSince(start), 950);  // the silent port costs one answer time-out

    EXPECT_TRUE(rig.session.Connected);
    EXPECT_TRUE(rig.port.IsOpen());
    EXPECT_EQ("KX-15-1", rig.session.ModelAnswer);
    EXPECT_EQ(std::vector<std::string>{"N?"}, silent.Commands());
    EXPECT_TRUE(foreign.Commands().empty());
    EXPECT_EQ((std::vector<std::string>{silent.DeviceName(), logger.DeviceName(), "Połączono z KX-15-1"}),
              rig.host.Status);
    EXPECT_EQ("KX-15-1", rig.host.Fields[Field::Model]);
    // The probes stay out of the log; the clock and voltage queries follow the connection.
    EXPECT_EQ((std::vector<std::string>{"T?\t2026-12-08 10:00:00", "U?\t3612"}), rig.host.Log);
    EXPECT_EQ("2026-12-08 10:00:00", rig.host.Fields[Field::Clock]);
    EXPECT_EQ("3612 mV", rig.host.Fields[Field::Voltage]);
    EXPECT_EQ(0, rig.host.TimerStarts);
    EXPECT_EQ(2, rig.host.MarkerRefreshes);  // one failed probe, one connection
    EXPECT_EQ((std::vector<std::string>{"N?", "T?", "U?"}), logger.Commands());

    // A second press searches from scratch over a refilled list and finds the logger again.
    rig.host.Log.clear();
    EXPECT_TRUE(rig.session.Connect());
    EXPECT_EQ(2u, rig.session.PortList.size());
    EXPECT_EQ(2u, rig.host.Log.size());
}

struct NoMatchRow {
    const char* name;
    std::string reply;
    std::string answer;
};
void PrintTo(const NoMatchRow& row, std::ostream* os) { *os << row.name; }

class FindDeviceNoMatch : public testing::TestWithParam<NoMatchRow> {};

TEST_P(FindDeviceNoMatch, ReportsNoDeviceAndClosesThePort) {
    TPtyPeer peer(Logger({{"N?", GetParam().reply}}));
    UseDeviceMap({"\\Device\\VCP0=" + peer.DeviceName()});
    SessionRig rig;
    rig.session.Connected = true;
    rig.host.Fields[Field::Model] = "KX-05";

    EXPECT_FALSE(rig.session.Connect());
    EXPECT_FALSE(rig.session.Connected);
    EXPECT_EQ(GetParam().answer, rig.session.ModelAnswer);
    // A port that is not the logger's is not kept busy.
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_EQ("KX-05", rig.host.Fields[Field::Model]);
    EXPECT_EQ(std::vector<std::string>{peer.DeviceName()}, rig.host.Status);
    EXPECT_TRUE(rig.host.Log.empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, FindDeviceNoMatch,
                         testing::Values(NoMatchRow{"TrailingSpace", "KX-05 \n", "KX-05 "},
                                         NoMatchRow{"LowerCase", "kx-05\n", "kx-05"},
                                         NoMatchRow{"CrLf", "KX-05\r\n", "KX-05\r"},
                                         NoMatchRow{"UnknownModel", "KX-99\n", "KX-99"}),
                         [](const testing::TestParamInfo<NoMatchRow>& info) { return std::string(info.param.name); });

TEST(FindDevice, NoVcpPortMeansNoProbeAndNoStatus) {
    UseDeviceMap({"\\Device\\Serial0=ttyS0"});
    SessionRig rig;
    std::string answer = "old";
    EXPECT_FALSE(rig.session.FindDevice(answer));
    EXPECT_EQ("", answer);
    EXPECT_TRUE(rig.session.PortList.empty());
    EXPECT_TRUE(rig.host.Status.empty());
}

TEST(FindDevice, APortThatDoesNotOpenCostsNoWait) {
    TPtyPeer logger(Logger(StatusAnswers));
    UseDeviceMap({"\\Device\\VCP0=" + logger.DeviceName(), "\\Device\\VCP1=no-such-tty-here"});
    SessionRig rig;
    std::string answer;
    const auto start = Clock::now();
    EXPECT_TRUE(rig.session.FindDevice(answer));
    EXPECT_LT(MsSince(start), 800);
    EXPECT_EQ("KX-15-1", answer);
}

TEST(IsLoggerModel, KnowsTheSevenModelsExactly) {
    for (const char* model : {"KX-05", "KX-15-1", "KX-15-2", "KX-15-DD", "KXW-06", "KXW-16-1", "KXW-16-2"})
        EXPECT_TRUE(lorv::IsLoggerModel(model)) << model;
    for (const char* other : {"", "KX-15", "KX-15-3", "KXW-16-1 ", " KX-05", "kxw-06"})
        EXPECT_FALSE(lorv::IsLoggerModel(other)) << other;
}

// ---------------------------------------------------------------- status and settings

struct StopRow {
    const char* name;
    std::string stopAnswer;
    std::string stopShown;
    std::string readStopShown;
};
void PrintTo(const StopRow& row, std::ostream* os) { *os << row.name; }

class ReadSettings : public testing::TestWithParam<StopRow> {};

TEST_P(ReadSettings, FillsEveryFieldAndProposesTheRange) {
    auto answers = StatusAnswers;
    answers["S?"] = GetParam().stopAnswer + "\n";
    TPtyPeer peer(Logger(answers));
    SessionRig rig(At("2026-12-08 12:00:00"));
    rig.OpenOnto(peer);

    rig.session.ReadLoggerSettings();

    EXPECT_EQ((std::vector<std::string>{"T?", "R?", "S?", "I?", "C?", "U?"}), peer.Commands());
    EXPECT_EQ("C?\t17", rig.host.Log[4]);
    EXPECT_EQ("2026-12-08 10:00:00", rig.host.Fields[Field::Clock]);
    EXPECT_EQ("2026-12-01 08:00:00", rig.host.Fields[Field::Start]);
    EXPECT_EQ("2026-12-01 08:00:00", rig.host.Fields[Field::ReadStart]);
    EXPECT_EQ(GetParam().stopShown, rig.host.Fields[Field::Stop]);
    EXPECT_EQ(GetParam().readStopShown, rig.host.Fields[Field::ReadStop]);
    EXPECT_EQ("00:01:00", rig.host.Fields[Field::Interval]);
    EXPECT_EQ("3612 mV", rig.host.Fields[Field::Voltage]);
    EXPECT_EQ(At("2026-12-01 08:00:00"), rig.session.RecStart);
    EXPECT_EQ(At(GetParam().stopAnswer.c_str()), rig.session.RecStop);
    EXPECT_EQ(60, rig.session.RecIntervalSeconds);
    EXPECT_EQ(1, rig.host.TimerStarts);
}

INSTANTIATE_TEST_SUITE_P(Stops, ReadSettings,
                         testing::Values(
                             // A past stop is proposed as the answer exactly as received.
                             StopRow{"PastStop", "2026-12-05 18:30:00", "2026-12-05 18:30:00", "2026-12-05 18:30:00"},
                             StopRow{"PastStopAtMidnight", "2026-12-05 00:00:00", "2026-12-05", "2026-12-05 00:00:00"},
                             StopRow{"StopIsNow", "2026-12-08 12:00:00", "2026-12-08 12:00:00", "2026-12-08 12:00:00"},
                             // While the recording runs the range ends now.
                             StopRow{"FutureStop", "2026-12-31 00:00:00", "2026-12-31", "2026-12-08 12:00:00"}),
                         [](const testing::TestParamInfo<StopRow>& info) { return std::string(info.param.name); });

TEST(ReadLoggerSettings, EmptyAnswersLeaveTheirFieldsAndValuesAlone) {
    // Bare line feeds act as missing answers without the time-out.
    TPtyPeer peer(Logger(
        {{"T?", "2026-12-08 10:00:00\n"}, {"R?", "\n"}, {"S?", "\n"}, {"I?", "\n"}, {"C?", "\n"}, {"U?", "\n"}}));
    SessionRig rig;
    rig.OpenOnto(peer);
    rig.session.RecStart = 1.0;
    rig.session.RecIntervalSeconds = 300;

    rig.session.ReadLoggerSettings();

    EXPECT_EQ(6u, rig.host.Log.size());
    EXPECT_EQ(1u, rig.host.Fields.size());
    EXPECT_EQ("2026-12-08 10:00:00", rig.host.Fields[Field::Clock]);
    EXPECT_EQ(1.0, rig.session.RecStart);
    EXPECT_EQ(300, rig.session.RecIntervalSeconds);
    EXPECT_EQ(0, rig.host.TimerStarts);
}

TEST(ReadLoggerSettings, AnAnswerThatIsNoTimeEndsTheReadThere) {
    auto answers = StatusAnswers;
    answers["R?"] = "garbage\n";
    TPtyPeer peer(Logger(answers));
    SessionRig rig;
    rig.OpenOnto(peer);

    try {
        rig.session.ReadLoggerSettings();
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(std::string("'garbage' is not a valid date and time"), e.what());
    }
    EXPECT_EQ((std::vector<std::string>{"T?", "R?"}), peer.Commands());
    EXPECT_EQ("2026-12-08 10:00:00", rig.host.Fields[Field::Clock]);
    EXPECT_EQ(0u, rig.host.Fields.count(Field::Start));
}

TEST(DisplayedLoggerClock, RunsOnFromTheLastClockAnswer) {
    TPtyPeer peer(Logger(StatusAnswers));
    SessionRig rig;
    rig.OpenOnto(peer);
    std::int64_t monotonic = 5000;
    rig.session.MonotonicMs = [&monotonic] { return monotonic; };

    rig.session.ReadClockAndBattery();
    monotonic += 61500;  // however late the ticks come, the display follows the elapsed time
    EXPECT_EQ("2026-12-08 10:01:01", Format.DateTimeToText(rig.session.DisplayedLoggerClock()));
    EXPECT_EQ(At("2026-12-08 10:00:00"), rig.session.LoggerClock);
}

TEST(WriteLoggerSettings, SendsClockStartStopAndIntervalInOrder) {
    TPtyPeer peer(Logger({}));
    // Within the first second after midnight the clock goes out as the date alone.
    SessionRig rig(At("2026-12-08") + 0.4 / 86400.0);
    rig.OpenOnto(peer);
    rig.session.RecInterval = EncodeTime(0, 1, 0);

    rig.session.WriteLoggerSettings("2026-12-10 08:00:00", "2026-12-20 08:00:00", "00:05:00");

    const std::vector<std::string> sent = {"T!2026-12-08", "R!2026-12-10 08:00:00", "S!2026-12-20 08:00:00",
                                           "I!00:05:00"};
    EXPECT_EQ(sent, CommandsOnceThere(peer, 4));
    EXPECT_EQ(sent, rig.host.Log);
    EXPECT_EQ((std::vector<int>{50, 50, 50, 50}), rig.pauses);
    EXPECT_EQ(At("2026-12-10 08:00:00"), rig.session.RecStart);
    EXPECT_EQ(At("2026-12-20 08:00:00"), rig.session.RecStop);
    // The seconds come from the interval last read, not from the text just sent.
    EXPECT_EQ(60, rig.session.RecIntervalSeconds);
}

struct BadSettingsRow {
    const char* name;
    std::string start, stop, period;
    std::string error;
};
void PrintTo(const BadSettingsRow& row, std::ostream* os) { *os << row.name; }

class WriteLoggerSettingsRefuses : public testing::TestWithParam<BadSettingsRow> {};

TEST_P(WriteLoggerSettingsRefuses, ABadTextSendsNothing) {
    TPtyPeer peer(Logger({}));
    SessionRig rig;
    rig.OpenOnto(peer);
    const auto& row = GetParam();

    try {
        rig.session.WriteLoggerSettings(row.start, row.stop, row.period);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(row.error, e.what());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(peer.Commands().empty());
    EXPECT_TRUE(rig.host.Log.empty());
    EXPECT_EQ(0.0, rig.session.RecStart);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WriteLoggerSettingsRefuses,
    testing::Values(BadSettingsRow{"Start", "2026-12-10   :  :  x", "2026-12-20 08:00:00", "00:05:00",
                                   "'2026-12-10   :  :  x' is not a valid date and time"},
                    BadSettingsRow{"Stop", "2026-12-10 08:00:00", "    -  -     :  :  ", "00:05:00",
                                   "'    -  -     :  :  ' is not a valid date and time"},
                    BadSettingsRow{"Period", "2026-12-10 08:00:00", "2026-12-20 08:00:00",
                                   "  :  :  ", "'  :  :  ' is not a valid time"}),
    [](const testing::TestParamInfo<BadSettingsRow>& info) { return std::string(info.param.name); });

TEST(EraseLogger, PostsEraseAndPausesOneSecond) {
    TPtyPeer peer(Logger({}));
    SessionRig rig;
    rig.OpenOnto(peer);
    rig.session.EraseLogger();
    EXPECT_EQ(std::vector<std::string>{"E!"}, CommandsOnceThere(peer, 1));
    EXPECT_EQ(std::vector<std::string>{"E!"}, rig.host.Log);
    EXPECT_EQ(std::vector<int>{1000}, rig.pauses);
}

// ---------------------------------------------------------------- read range

TEST(ComputeReadRange, StoppedRecordingKeepsTheEndText) {
    SessionRig rig(At("2026-12-08 12:00:00"));
    rig.session.RecStart = At("2026-12-01 08:00:00");
    rig.session.RecStop = At("2026-12-05 08:00:00");
    rig.session.RecIntervalSeconds = 60;

    rig.session.ComputeReadRange("2026-12-01 08:10:29", "2026-12-01 09:00:40");
    EXPECT_EQ(10, rig.session.ReadFirstIndex);
    EXPECT_EQ(61, rig.session.ReadEndIndex);
    EXPECT_EQ(0u, rig.host.Fields.count(Field::ReadStop));
}

TEST(ComputeReadRange, RunningRecordingEndsNow) {
    SessionRig rig(At("2026-12-01 09:00:00"));
    rig.session.RecStart = At("2026-12-01 08:00:00");
    rig.session.RecStop = At("2026-12-05 08:00:00");
    rig.session.RecIntervalSeconds = 60;

    rig.session.ComputeReadRange("2026-12-01 08:00:00", "    -  -     :  :  ");
    EXPECT_EQ("2026-12-01 09:00:00", rig.host.Fields[Field::ReadStop]);
    EXPECT_EQ(0, rig.session.ReadFirstIndex);
    EXPECT_EQ(60, rig.session.ReadEndIndex);
}

TEST(ComputeReadRange, FailuresLeaveTheRangeEndAlone) {
    SessionRig rig(At("2026-12-01 09:00:00"));
    rig.session.RecStop = At("2026-12-05 08:00:00");

    EXPECT_THROW(rig.session.ComputeReadRange("2026-12-01 08:00:00", "2026-12-01 09:00:00"), lorv::ERangeError);
    rig.session.RecIntervalSeconds = 60;
    EXPECT_THROW(rig.session.ComputeReadRange("    -  -     :  :  ", "2026-12-01 09:00:00"), EConvertError);
    EXPECT_EQ(0u, rig.host.Fields.count(Field::ReadStop));
}

// ---------------------------------------------------------------- download

struct DownloadRig : SessionRig {
    explicit DownloadRig(const TPtyPeer& peer, std::int64_t first, std::int64_t end) {
        OpenOnto(peer);
        session.ReadFirstIndex = first;
        session.ReadEndIndex = end;
        // A download that never ends is a fault of its own; this ends it so the test can say so.
        host.OnEvents = [this] {
            if (host.EventPumps > 20000) host.Wanted = false;
        };
    }
    std::vector<std::string> Lines(int from, int to) const {
        std::vector<std::string> lines;
        for (int i = from; i < to; ++i) lines.push_back(ReadingLine(i));
        return lines;
    }
};

TEST(DownloadReadings, RequestsChunksShowsProgressAndKeepsEveryLine) {
    TPtyPeer peer(Logger({}, 25));
    DownloadRig rig(peer, 0, 60);

    const TLoggerSession::DownloadResult result = rig.session.DownloadReadings();

    EXPECT_EQ((std::vector<std::string>{"D?0", "D?25", "D?50"}), peer.Commands());
    EXPECT_EQ((std::vector<std::string>{"D?0", "D?25", "D?50"}), rig.host.Log);
    EXPECT_EQ((std::vector<std::string>{"41%", "83%"}), rig.host.Status);
    // The line that fills a chunk is stored too: no reading is lost between chunks.
    EXPECT_EQ(rig.Lines(0, 75), rig.host.Data);
    EXPECT_TRUE(result.Started);
    EXPECT_EQ(0, result.First);
    EXPECT_EQ(60, result.End);
    EXPECT_EQ(75, result.Next);
    EXPECT_EQ(75, result.Stored);
    EXPECT_EQ(75, rig.session.ReadFirstIndex);
    EXPECT_EQ(ReadingLine(74), rig.session.LastReadingLine);
    EXPECT_EQ(ReadingLine(74).substr(0, 19), rig.host.Fields[Field::ReadStart]);
    EXPECT_EQ(ReadingLine(74).substr(0, 19), rig.host.Fields[Field::ReadStop]);
    EXPECT_FALSE(rig.session.Downloading());
}

TEST(DownloadReadings, RepeatOfTheLastStoredLineIsDroppedAcrossDownloads) {
    TPtyPeer peer(Logger({}, 25));
    DownloadRig rig(peer, 0, 25);
    rig.session.LastReadingLine = ReadingLine(0);  // stored by an earlier download

    EXPECT_EQ(24, rig.session.DownloadReadings().Stored);
    EXPECT_EQ(rig.Lines(1, 25), rig.host.Data);

    // The next download starts at the last reading fetched, which comes again and is dropped,
    // also when the panel was emptied in between.
    rig.host.Data.clear();
    rig.session.ReadFirstIndex = 24;
    rig.session.ReadEndIndex = 49;
    rig.session.DownloadReadings();
    EXPECT_EQ(rig.Lines(25, 49), rig.host.Data);
}

TEST(DownloadReadings, ShortChunksEndAtTheLineTimeOutAndMoveTheIndexByWhatCame) {
    TPtyPeer peer(Logger({}, 24));
    DownloadRig rig(peer, 0, 48);

    const auto start = Clock::now();
    rig.session.DownloadReadings();
    EXPECT_GE(MsSince(start), 950);  // two chunks, each ended by 500 ms of silence
    EXPECT_EQ((std::vector<std::string>{"D?0", "D?24"}), peer.Commands());
    EXPECT_EQ((std::vector<std::string>{"50%", "100%"}), rig.host.Status);
    EXPECT_EQ(rig.Lines(0, 48), rig.host.Data);
}

TEST(DownloadReadings, StoppingMidwayKeepsWhatCame) {
    TPtyPeer peer(Logger({}, 25));
    DownloadRig rig(peer, 0, 60);
    rig.host.OnEvents = [&rig] {
        if (rig.host.Data.size() >= 10) rig.host.Wanted = false;
    };

    const TLoggerSession::DownloadResult result = rig.session.DownloadReadings();
    EXPECT_EQ(std::vector<std::string>{"D?0"}, peer.Commands());
    EXPECT_EQ(rig.Lines(0, 10), rig.host.Data);
    EXPECT_EQ(10, result.Next);
    EXPECT_EQ((std::vector<std::string>{"16%"}), rig.host.Status);
    EXPECT_EQ(ReadingLine(9).substr(0, 19), rig.host.Fields[Field::ReadStart]);
}

TEST(DownloadReadings, ALoggerThatVanishesEndsTheDownloadWithoutAHang) {
    int requests = 0;
    TPtyPeer peer([&requests](const std::string& command) -> std::optional<std::string> {
        if (++requests > 1) return std::nullopt;  // unplugged at the second request
        return Logger({}, 25)(command);
    });
    DownloadRig rig(peer, 0, 1000);

    const auto start = Clock::now();
    rig.session.DownloadReadings();
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_TRUE(rig.host.Wanted) << "the download only ended because the test stopped it";
    ASSERT_GE(rig.host.Data.size(), 25u);
    EXPECT_EQ(rig.Lines(0, 25), std::vector<std::string>(rig.host.Data.begin(), rig.host.Data.begin() + 25));
    // A failed read counts as an empty line, stored once at most.
    EXPECT_LE(rig.host.Data.size(), 26u);
}

TEST(DownloadReadings, APortClosedFromTheEventPumpEndsTheDownloadWithoutAHang) {
    TPtyPeer peer(Logger({}, 25));
    DownloadRig rig(peer, 0, 500);
    rig.host.OnEvents = [&rig] {
        // A new search from the window that found nothing closes the port mid-download.
        if (rig.host.Data.size() == 30 && rig.port.IsOpen()) rig.port.ClosePort();
        if (rig.host.EventPumps > 20000) rig.host.Wanted = false;
    };

    rig.session.DownloadReadings();
    EXPECT_TRUE(rig.host.Wanted) << "the download only ended because the test stopped it";
    EXPECT_EQ(rig.Lines(0, 30), std::vector<std::string>(rig.host.Data.begin(), rig.host.Data.begin() + 30));
}

TEST(DownloadReadings, EqualIndicesMeanNoNewData) {
    TPtyPeer peer(Logger({}, 25));
    DownloadRig rig(peer, 42, 42);

    EXPECT_FALSE(rig.session.DownloadReadings().Started);
    EXPECT_EQ(std::vector<std::string>{"Brak nowych danych !"}, rig.host.Status);
    EXPECT_TRUE(rig.host.Log.empty());
    EXPECT_EQ(0u, rig.host.Fields.count(Field::ReadStart));
}

TEST(DownloadReadings, AnEndBeforeTheStartFetchesOneChunkWithoutProgress) {
    TPtyPeer peer(Logger({}, 25));
    DownloadRig rig(peer, 10, 5);

    rig.session.DownloadReadings();
    EXPECT_EQ(std::vector<std::string>{"D?10"}, peer.Commands());
    EXPECT_TRUE(rig.host.Status.empty());
    EXPECT_EQ(rig.Lines(10, 35), rig.host.Data);
}

TEST(DownloadReadings, AnIndexBeyondThirtyTwoBitsIsAConversionError) {
    TSerialPort port;
    TRecordingHost host;
    TLoggerSession session(port, host);
    session.ReadEndIndex = 3000000000LL;
    try {
        session.DownloadReadings();
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(std::string("'3000000000' is not a valid integer value"), e.what());
    }
    EXPECT_TRUE(host.Log.empty());
}

}  // namespace

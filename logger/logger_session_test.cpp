// The session's search, status and settings over scripted loggers on the virtual clock.
#include "logger/logger_session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>

#include "base/errors.h"
#include "base/testing/temp_path.h"
#include "logger/logger_time.h"
#include "logger/testing/recording_host.h"
#include "logger/testing/scripted_logger.h"
#include "serial/serial_port.h"

using lorv_test::TRecordingHost;
using lorv_test::TScriptedLogger;

namespace {

const LoggerFormat Format;

TDateTime At(const char* text) { return Format.TextToDateTime(text); }

std::string PathOf(const std::string& name) { return "\\\\.\\" + name; }

// A logger that answers queries from a table; silent for anything else.
TScriptedLogger::Handler Answers(std::map<std::string, std::string> table) {
    return [table](const std::string& command) -> std::optional<std::string> {
        const auto it = table.find(command);
        return it == table.end() ? std::string() : it->second;
    };
}

const std::map<std::string, std::string> StatusAnswers = {{"N?", "KX-15-1\n"},
                                                          {"T?", "2026-12-08 10:00:00\n"},
                                                          {"R?", "2026-12-01 08:00:00\n"},
                                                          {"S?", "2026-12-05 18:30:00\n"},
                                                          {"I?", "00:01:00\n"},
                                                          {"C?", "17\n"},
                                                          {"U?", "3612\n"}};

// Points the port search at a device map file of the given "name=data" lines.
void UseDeviceMap(const std::vector<std::string>& lines) {
    // One file per process (CTest may run these tests side by side), removed when it ends.
    static const TTempPath map("logger_devicemap_", ".txt");
    const std::string& path = map.Path();
    std::ofstream file(path, std::ios::trunc);
    for (const auto& line : lines) file << line << "\n";
    file.close();
    setenv("LORV304D_DEVICEMAP", path.c_str(), 1);
}

// A session over one port of a scripted driver, with a fixed "now" and recorded pauses.
struct SessionRig {
    std::shared_ptr<TScriptedLogger> drv = std::make_shared<TScriptedLogger>();
    TSerialPort port{drv};
    TRecordingHost host;
    TLoggerSession session{port, host};
    std::vector<int> pauses;

    explicit SessionRig(TDateTime now = At("2026-12-08 12:00:00")) {
        session.CurrentTime = [now] { return now; };
        session.Pause = [this](int ms) { pauses.push_back(ms); };
    }
    // Adds a logger at "\\.\ttyUSB0" and opens the port onto it.
    void OpenOnto(TScriptedLogger::Handler handler) {
        drv->AddLogger(PathOf("ttyUSB0"), std::move(handler));
        port.OpenPort(PathOf("ttyUSB0"));
        port.SetLineParams(115200, 8, 'N', 0, false, false);
        ASSERT_TRUE(port.IsOpen());
    }
    std::vector<std::string> Commands() const { return drv->Commands(PathOf("ttyUSB0")); }
};

// ---------------------------------------------------------------- device search

TEST(FindDevice, ProbesFromTheLastVcpEntryAndStopsAtTheLogger) {
    SessionRig rig;
    rig.drv->AddLogger(PathOf("ttyUSB0"), Answers(StatusAnswers));
    rig.drv->AddLogger(PathOf("ttyUSB1"), Answers({}));
    rig.drv->AddLogger(PathOf("ttyS0"), Answers({{"N?", "KX-05\n"}}));  // a logger on a port that is no VCP port
    UseDeviceMap({"\\Device\\VCP0=ttyUSB0", "\\Device\\Serial0=ttyS0", "\\Device\\VCP1=ttyUSB1"});

    const TSearchResult result = rig.session.Connect();

    ASSERT_TRUE(result.Found());
    ASSERT_EQ(2u, result.Probes.size());
    EXPECT_EQ("ttyUSB1", result.Probes[0].PortName);
    EXPECT_EQ(PathOf("ttyUSB1"), result.Probes[0].DevicePath);
    EXPECT_TRUE(result.Probes[0].Opened);
    EXPECT_EQ("", result.Probes[0].Answer);
    EXPECT_EQ("KX-15-1", result.Probes[1].Answer);
    EXPECT_GE(rig.drv->Now(), 1000u);  // the silent port costs one answer time-out
    EXPECT_TRUE(rig.session.Connected);
    EXPECT_EQ("KX-15-1", rig.session.ModelAnswer);
    EXPECT_TRUE(rig.port.IsOpen());
    EXPECT_EQ((std::vector<std::string>{"ttyUSB1", "ttyUSB0"}), rig.host.Probed);
    EXPECT_EQ(1u, rig.host.Failed.size());
    EXPECT_TRUE(rig.drv->Commands(PathOf("ttyS0")).empty());
    EXPECT_TRUE(rig.host.Log.empty()) << "the probes stay out of the log";

    // The caller reads the clock and battery next; a second search starts from scratch.
    const TLoggerStatus status = rig.session.ReadClockAndBattery();
    EXPECT_EQ((std::vector<std::string>{"T?\t2026-12-08 10:00:00", "U?\t3612"}), rig.host.Log);
    EXPECT_EQ(At("2026-12-08 10:00:00"), status.Clock);
    EXPECT_EQ("3612", status.Battery);
    EXPECT_EQ(3612, status.BatteryMv);
    EXPECT_FALSE(status.RecStart.has_value());
    EXPECT_TRUE(rig.session.Connect().Found());
    EXPECT_EQ(2u, rig.session.PortList.size());
}

struct NoMatchRow {
    const char* name;
    std::string reply;
    std::string answer;
};
void PrintTo(const NoMatchRow& row, std::ostream* os) { *os << row.name; }

class FindDeviceNoMatch : public testing::TestWithParam<NoMatchRow> {};

TEST_P(FindDeviceNoMatch, ReportsNoDeviceAndClosesThePort) {
    SessionRig rig;
    rig.drv->AddLogger(PathOf("ttyUSB0"), Answers({{"N?", GetParam().reply}}));
    UseDeviceMap({"\\Device\\VCP0=ttyUSB0"});
    rig.session.Connected = true;

    const TSearchResult result = rig.session.Connect();
    EXPECT_FALSE(result.Found());
    EXPECT_FALSE(rig.session.Connected);
    EXPECT_EQ(GetParam().answer, rig.session.ModelAnswer);
    // A port that is not the logger's is not kept busy.
    EXPECT_FALSE(rig.port.IsOpen());
    EXPECT_EQ(1u, rig.host.Failed.size());
}

INSTANTIATE_TEST_SUITE_P(Answers, FindDeviceNoMatch,
                         testing::Values(NoMatchRow{"TrailingSpace", "KX-05 \n", "KX-05 "},
                                         NoMatchRow{"LowerCase", "kx-05\n", "kx-05"},
                                         NoMatchRow{"UnknownModel", "KX-99\n", "KX-99"},
                                         // A letter is text, not noise; only one CR ends a line.
                                         NoMatchRow{"LetterInFront", "\x1bqKX-05\n", "\x1bqKX-05"},
                                         NoMatchRow{"TwoCarriageReturns", "KX-05\r\r\n", "KX-05\r\r"},
                                         NoMatchRow{"NoiseAfter", "KX-05\xff\n", "KX-05\xff"}),
                         [](const testing::TestParamInfo<NoMatchRow>& info) { return std::string(info.param.name); });

class FindDeviceBehindNoise : public testing::TestWithParam<NoMatchRow> {};

// An adapter's noise in front of the answer, or the CR of a logger that ends its lines with CR LF,
// does not hide the logger; the model is kept without them.
TEST_P(FindDeviceBehindNoise, FindsTheModel) {
    SessionRig rig;
    rig.drv->AddLogger(PathOf("ttyUSB0"), Answers({{"N?", GetParam().reply}}));
    UseDeviceMap({"\\Device\\VCP0=ttyUSB0"});

    const TSearchResult result = rig.session.Connect();
    ASSERT_TRUE(result.Found());
    EXPECT_EQ(GetParam().answer, result.Answer());
    EXPECT_EQ(GetParam().answer, rig.session.ModelAnswer);
    EXPECT_TRUE(rig.port.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Answers, FindDeviceBehindNoise,
                         testing::Values(NoMatchRow{"CrLf", "KX-05\r\n", "KX-05"},
                                         NoMatchRow{"ControlBytesInFront", std::string("\0\x1b\r", 3) + "KX-15-DD\n",
                                                    "KX-15-DD"},
                                         NoMatchRow{"NoiseInFrontAndCrLf", "\xff\x7f\x01KXW-16-2\r\n", "KXW-16-2"}),
                         [](const testing::TestParamInfo<NoMatchRow>& info) { return std::string(info.param.name); });

TEST(FindDevice, PortsThatDoNotOpenCostNoWaitAndTellWhy) {
    SessionRig rig;
    rig.drv->AddLogger(PathOf("ttyUSB0"), Answers(StatusAnswers));
    rig.drv->AddLogger(PathOf("ttyACM0"), Answers({}));
    TSerialPort otherProgram(rig.drv);  // holds ttyACM0
    otherProgram.OpenPort(PathOf("ttyACM0"));
    UseDeviceMap({"\\Device\\VCP0=ttyUSB0", "\\Device\\VCP1=ttyACM0", "\\Device\\VCP2=gone"});

    const TSearchResult result = rig.session.FindDevice();
    ASSERT_EQ(3u, result.Probes.size());
    EXPECT_FALSE(result.Probes[0].Opened);
    EXPECT_EQ(ENOENT, result.Probes[0].OpenError);
    EXPECT_FALSE(result.Probes[1].Opened);
    EXPECT_EQ(EBUSY, result.Probes[1].OpenError);
    EXPECT_TRUE(result.Probes[2].IsLogger);
    EXPECT_EQ(0, result.Probes[2].OpenError);
    EXPECT_LT(rig.drv->Now(), 1000u);
}

TEST(FindDevice, NoVcpPortMeansNoProbe) {
    UseDeviceMap({"\\Device\\Serial0=ttyS0"});
    SessionRig rig;
    EXPECT_TRUE(rig.session.Connect().Probes.empty());
    EXPECT_FALSE(rig.session.Connected);
    EXPECT_EQ("", rig.session.ModelAnswer);
    EXPECT_TRUE(rig.host.Probed.empty());
}

TEST(ConnectPort, ProbesTheGivenPortOnly) {
    SessionRig rig;
    rig.drv->AddLogger(PathOf("pts/7"), Answers(StatusAnswers));
    UseDeviceMap({});
    const TSearchResult result = rig.session.ConnectPort("/dev/pts/7", PathOf("pts/7"));
    ASSERT_EQ(1u, result.Probes.size());
    EXPECT_EQ("/dev/pts/7", result.Probes[0].PortName);
    EXPECT_TRUE(rig.session.Connected);
    EXPECT_TRUE(rig.host.Probed.empty());
}

TEST(IsLoggerModel, KnowsTheSevenModelsExactly) {
    for (const char* model : {"KX-05", "KX-15-1", "KX-15-2", "KX-15-DD", "KXW-06", "KXW-16-1", "KXW-16-2"})
        EXPECT_TRUE(lorv::IsLoggerModel(model)) << model;
    for (const char* other : {"", "KX-15", "KX-15-3", "KXW-16-1 ", " KX-05", "kxw-06"})
        EXPECT_FALSE(lorv::IsLoggerModel(other)) << other;
}

// ---------------------------------------------------------------- status and settings

// A host whose log line takes 1.5 s of virtual time, as a busy window might.
class TSlowLogHost : public TRecordingHost {
  public:
    explicit TSlowLogHost(TScriptedLogger& drv) : drv_(drv) {}
    void AppendCommLog(const std::string& line) override {
        TRecordingHost::AppendCommLog(line);
        drv_.Advance(1500);
    }

  private:
    TScriptedLogger& drv_;
};

TEST(ReadClockAndBattery, TakesBothClocksWhenTheAnswerCame) {
    auto drv = std::make_shared<TScriptedLogger>();
    drv->ReplyDelayMs = 600;
    drv->AddLogger(PathOf("ttyUSB0"), Answers({{"T?", "2026-12-08 10:02:00\n"}, {"U?", "3612\n"}}));
    TSlowLogHost host(*drv);
    TSerialPort port{drv};
    TLoggerSession session{port, host};
    const TDateTime base = At("2026-12-08 10:00:00");
    session.CurrentTime = [&] { return base + static_cast<double>(drv->Now()) / 86400000.0; };
    session.MonotonicMs = [&] { return static_cast<std::int64_t>(drv->Now()); };
    port.OpenPort(PathOf("ttyUSB0"));
    port.SetLineParams(115200, 8, 'N', 0, false, false);

    const TLoggerStatus status = session.ReadClockAndBattery();

    // Taken after the log line, the computer's clock would read 10:00:02 and the logger seem 118 s ahead.
    ASSERT_TRUE(status.ClockReadAt.has_value());
    EXPECT_LT(*status.ClockReadAt, base + EncodeTime(0, 0, 1));
    EXPECT_EQ(120, status.ClockOffsetSeconds());
    // The displayed clock runs on from the same moment.
    const auto ms = [](TDateTime days) { return std::llround(days * 86400000.0); };
    EXPECT_EQ(ms(base) + static_cast<std::int64_t>(drv->Now()) - ms(*status.ClockReadAt),
              ms(session.DisplayedLoggerClock()) - ms(*status.Clock));
}

TEST(ReadLoggerSettings, ReturnsEveryValueAndKeepsTheRecording) {
    auto answers = StatusAnswers;
    answers["U?"] = "3.6V\n";  // shown as received, but no number of millivolts
    SessionRig rig(At("2026-12-08 10:00:05"));
    rig.OpenOnto(Answers(answers));

    const TLoggerStatus status = rig.session.ReadLoggerSettings();

    EXPECT_EQ((std::vector<std::string>{"T?", "R?", "S?", "I?", "C?", "U?"}), rig.Commands());
    EXPECT_EQ("C?\t17", rig.host.Log[4]);
    EXPECT_EQ(At("2026-12-08 10:00:00"), status.Clock);
    EXPECT_EQ(At("2026-12-08 10:00:05"), status.ClockReadAt);
    EXPECT_EQ(-5, status.ClockOffsetSeconds());
    EXPECT_EQ(At("2026-12-01 08:00:00"), status.RecStart);
    EXPECT_EQ(At("2026-12-05 18:30:00"), status.RecStop);
    EXPECT_EQ("2026-12-05 18:30:00", status.StopAnswer);
    EXPECT_EQ(EncodeTime(0, 1, 0), status.Interval);
    EXPECT_EQ(60, status.IntervalSeconds);
    EXPECT_EQ("17", status.CAnswer);
    EXPECT_EQ("3.6V", status.Battery);
    EXPECT_FALSE(status.BatteryMv.has_value());
    EXPECT_FALSE(status.Failure.has_value());
    EXPECT_EQ(At("2026-12-01 08:00:00"), rig.session.RecStart);
    EXPECT_EQ(At("2026-12-05 18:30:00"), rig.session.RecStop);
    EXPECT_EQ(60, rig.session.RecIntervalSeconds);
}

TEST(ReadLoggerSettings, EmptyAnswersLeaveTheirValuesAlone) {
    // Bare line feeds act as missing answers without the time-out.
    SessionRig rig;
    rig.OpenOnto(Answers(
        {{"T?", "2026-12-08 10:00:00\n"}, {"R?", "\n"}, {"S?", "\n"}, {"I?", "\n"}, {"C?", "\n"}, {"U?", "\n"}}));
    rig.session.RecStart = 1.0;
    rig.session.RecIntervalSeconds = 300;

    const TLoggerStatus status = rig.session.ReadLoggerSettings();

    EXPECT_EQ(6u, rig.host.Log.size());
    EXPECT_TRUE(status.Clock.has_value());
    EXPECT_FALSE(status.RecStart || status.RecStop || status.Interval || status.CAnswer || status.Battery);
    EXPECT_EQ(1.0, rig.session.RecStart);
    EXPECT_EQ(300, rig.session.RecIntervalSeconds);
}

TEST(ReadLoggerSettings, AnAnswerThatIsNoTimeEndsTheReadThere) {
    auto answers = StatusAnswers;
    answers["R?"] = "garbage\n";
    SessionRig rig;
    rig.OpenOnto(Answers(answers));

    const TLoggerStatus status = rig.session.ReadLoggerSettings();
    ASSERT_TRUE(status.Failure.has_value());
    EXPECT_EQ(std::string("'garbage' is not a valid date and time"), status.Failure->what());
    EXPECT_EQ((std::vector<std::string>{"T?", "R?"}), rig.Commands());
    EXPECT_TRUE(status.Clock.has_value());
    EXPECT_FALSE(status.RecStart.has_value());
}

TEST(DisplayedLoggerClock, RunsOnFromTheLastClockAnswer) {
    SessionRig rig(At("2030-01-01 00:00:00"));
    rig.OpenOnto(Answers(StatusAnswers));
    std::int64_t monotonic = 5000;
    rig.session.MonotonicMs = [&monotonic] { return monotonic; };
    // Before any clock answer the computer's time stands in for the logger's.
    EXPECT_EQ(At("2030-01-01 00:00:00"), rig.session.LoggerClockNow());

    rig.session.ReadClockAndBattery();
    monotonic += 61500;  // however late the ticks come, the display follows the elapsed time
    EXPECT_EQ("2026-12-08 10:01:01", Format.DateTimeToText(rig.session.DisplayedLoggerClock()));
    EXPECT_EQ(rig.session.DisplayedLoggerClock(), rig.session.LoggerClockNow());
    EXPECT_EQ(At("2026-12-08 10:00:00"), rig.session.LoggerClock);
}

TEST(WriteLoggerSettings, SendsClockStartStopAndIntervalInOrder) {
    // Within the first second after midnight the clock goes out as the date alone.
    SessionRig rig(At("2026-12-08") + 0.4 / 86400.0);
    rig.OpenOnto(Answers({}));
    rig.session.RecInterval = EncodeTime(0, 1, 0);

    rig.session.WriteLoggerSettings("2026-12-10 08:00:00", "2026-12-20 08:00:00", "00:05:00");

    const std::vector<std::string> sent = {"T!2026-12-08", "R!2026-12-10 08:00:00", "S!2026-12-20 08:00:00",
                                           "I!00:05:00"};
    EXPECT_EQ(sent, rig.Commands());
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
    SessionRig rig;
    rig.OpenOnto(Answers({}));
    const auto& row = GetParam();

    try {
        rig.session.WriteLoggerSettings(row.start, row.stop, row.period);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(row.error, e.what());
    }
    EXPECT_TRUE(rig.Commands().empty());
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
    SessionRig rig;
    rig.OpenOnto(Answers({}));
    rig.session.EraseLogger();
    EXPECT_EQ(std::vector<std::string>{"E!"}, rig.Commands());
    EXPECT_EQ(std::vector<std::string>{"E!"}, rig.host.Log);
    EXPECT_EQ(std::vector<int>{1000}, rig.pauses);
}

// ---------------------------------------------------------------- read range

TEST(ComputeReadRange, StoppedRecordingKeepsTheEndText) {
    SessionRig rig(At("2026-12-08 12:00:00"));
    rig.session.RecStart = At("2026-12-01 08:00:00");
    rig.session.RecStop = At("2026-12-05 08:00:00");
    rig.session.RecIntervalSeconds = 60;

    std::string to = "2026-12-01 09:00:40";
    const TDownloadRange range = rig.session.ComputeReadRange("2026-12-01 08:10:29", to);
    EXPECT_EQ(10, range.First);
    EXPECT_EQ(61, range.End);
    EXPECT_TRUE(range.WholeChunks);
    EXPECT_EQ("2026-12-01 09:00:40", to);
}

TEST(ComputeReadRange, RunningRecordingEndsNow) {
    SessionRig rig(At("2026-12-01 09:00:00"));
    rig.session.RecStart = At("2026-12-01 08:00:00");
    rig.session.RecStop = At("2026-12-05 08:00:00");
    rig.session.RecIntervalSeconds = 60;

    std::string to = "    -  -     :  :  ";
    const TDownloadRange range = rig.session.ComputeReadRange("2026-12-01 08:00:00", to);
    EXPECT_EQ("2026-12-01 09:00:00", to);
    EXPECT_EQ(0, range.First);
    EXPECT_EQ(60, range.End);
}

TEST(ComputeReadRange, FailuresLeaveTheRangeEndAlone) {
    SessionRig rig(At("2026-12-01 09:00:00"));
    rig.session.RecStop = At("2026-12-05 08:00:00");

    std::string to = "2026-12-01 08:30:00";
    EXPECT_THROW(rig.session.ComputeReadRange("2026-12-01 08:00:00", to), lorv::ERangeError);
    rig.session.RecIntervalSeconds = 60;
    EXPECT_THROW(rig.session.ComputeReadRange("    -  -     :  :  ", to), EConvertError);
    EXPECT_EQ("2026-12-01 08:30:00", to);
}

}  // namespace

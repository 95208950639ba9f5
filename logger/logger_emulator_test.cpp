// The protocol against the logger emulator on a real pty: the whole road of a user, and the
// download against each fault of the line, counted reading by reading.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <fstream>
#include <set>

#include "base/testing/temp_path.h"
#include "emulator/emulator_process.h"
#include "logger/logger_session.h"
#include "logger/reading_check.h"
#include "logger/testing/recording_host.h"
#include "serial/serial_port.h"

using lorv_test::TRecordingHost;

namespace {

// Points the port search at `map`, a device map naming the emulator's terminal.
void UseDeviceMapFor(const TTempPath& map, const std::string& slavePath) {
    const std::string& path = map.Path();
    std::ofstream(path, std::ios::trunc) << "\\Device\\VCP0=" << slavePath.substr(5) << "\n";
    setenv("LORV304D_DEVICEMAP", path.c_str(), 1);
}

// A session connected to an emulator started with `args`, its settings read.
struct EmulatorRig {
    TTempPath map{"logger_emulator_map_", ".txt"};  // removed with the rig, also after a failure
    emulator::EmulatorProcess logger;
    TSerialPort port;
    TRecordingHost host;
    TLoggerSession session{port, host};

    explicit EmulatorRig(const std::vector<std::string>& args) : logger(args) {
        UseDeviceMapFor(map, logger.SlavePath());
        // A download that never ends is a fault of its own; this ends it so the test can say so.
        host.OnEvents = [this] {
            if (host.EventPumps > 200000) host.Wanted = false;
        };
    }
    bool ConnectAndRead() {
        if (!session.Connect().Found()) return false;
        session.ReadLoggerSettings();
        return session.RecIntervalSeconds > 0;
    }
};

TEST(LoggerAgainstEmulator, ConnectReadSettingsAndDownloadEveryReading) {
    EmulatorRig rig({"--model", "KXW-16-2", "--readings", "61", "--interval", "00:01:00"});
    const TSearchResult search = rig.session.Connect();
    ASSERT_TRUE(search.Found());
    EXPECT_EQ("KXW-16-2", search.Answer());
    const TLoggerStatus status = rig.session.ReadLoggerSettings();
    EXPECT_EQ(60, status.IntervalSeconds);
    EXPECT_EQ("3612", status.Battery);
    ASSERT_TRUE(status.ClockOffsetSeconds());
    EXPECT_LE(std::abs(*status.ClockOffsetSeconds()), 5);

    std::string to = rig.session.Format.DateTimeToText(*status.RecStop);
    const TDownloadRange range = rig.session.ComputeReadRange(rig.session.Format.DateTimeToText(*status.RecStart), to);
    EXPECT_EQ(0, range.First);
    EXPECT_EQ(60, range.End);

    const TDownloadReport report = rig.session.DownloadReadings(range);
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(61, report.ReadingsStored);
    ASSERT_EQ(61u, rig.host.Data.size());
    for (const auto& line : rig.host.Data) EXPECT_EQ(35u, line.size()) << line;
}

struct FaultRow {
    const char* name;
    std::vector<std::string> faults;
    std::vector<std::int64_t> damagedKept;  // readings no request can bring clean
    bool noiseInFront = false;              // noise before every answer, dropped and counted
};
void PrintTo(const FaultRow& row, std::ostream* os) { *os << row.name; }

class DownloadAgainstAFaultyLine : public testing::TestWithParam<FaultRow> {};

// Every reading the emulator holds comes once, in order, and clean wherever a clean copy can be
// had. Some faults also spoil the search and the settings answers, so the port is opened directly
// and the recording given.
TEST_P(DownloadAgainstAFaultyLine, StoresExactlyTheReadingsHeld) {
    constexpr int Held = 120;
    const LoggerFormat format;
    const TDateTime start = std::floor(Now() * 1440 - 60) / 1440;  // a whole minute an hour ago
    const TDateTime stop = start + (Held - 1) / 86400.0;
    std::vector<std::string> args = {
        "--start", format.DateTimeToText(start), "--stop", format.DateTimeToText(stop), "--interval", "1"};
    args.insert(args.end(), GetParam().faults.begin(), GetParam().faults.end());
    EmulatorRig rig(args);
    rig.port.OpenPort(rig.logger.SlavePath());
    rig.port.SetLineParams(115200, 8, 'N', 0, false, false);
    rig.session.RecStart = start;
    rig.session.RecStop = stop;
    rig.session.RecIntervalSeconds = 1;

    const TDownloadReport report = rig.session.DownloadReadings(TDownloadRange{0, Held - 1, false});

    EXPECT_EQ(TDownloadEnd::RangeCovered, report.Ending);
    EXPECT_EQ(GetParam().damagedKept, report.DamagedKept);
    EXPECT_EQ(GetParam().noiseInFront, report.NoiseDropped > 0);
    if (GetParam().noiseInFront) {
        EXPECT_EQ(0, report.Rerequested) << "noise in front is no damage";
    }
    EXPECT_TRUE(report.OffTimeKept.empty());
    ASSERT_EQ(static_cast<std::size_t>(Held), rig.host.Data.size());
    std::set<std::string> distinct;
    for (std::size_t i = 0; i < rig.host.Data.size(); ++i) {
        distinct.insert(rig.host.Data[i]);
        if (i == 0 && !GetParam().damagedKept.empty()) continue;
        const lorv::TLineCheck check = lorv::CheckReadingLine(rig.host.Data[i], format);
        ASSERT_TRUE(check.Reading) << rig.host.Data[i];
        EXPECT_EQ(static_cast<std::int64_t>(i), SecondsBetween(start, *check.Time)) << rig.host.Data[i];
    }
    EXPECT_EQ(distinct.size(), rig.host.Data.size());
}

INSTANTIATE_TEST_SUITE_P(Faults, DownloadAgainstAFaultyLine,
                         testing::Values(FaultRow{"CutLine", {"--cut-line"}, {}},
                                         FaultRow{"NoiseBeforeEachAnswer", {"--noise"}, {}, true},
                                         FaultRow{"NoiseBeforeCrLfAnswers", {"--noise", "--crlf"}, {}, true},
                                         FaultRow{"NoiseInsideLines", {"--line-noise", "17"}, {}},
                                         FaultRow{"LostLineFeeds", {"--lost-lf", "37"}, {}},
                                         FaultRow{"CrLfAnswers", {"--crlf"}, {}}),
                         [](const testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

class SearchAgainstAFaultyLine : public testing::TestWithParam<std::vector<std::string>> {};

// Noise in front of the model name, or the CR of CR LF answers, does not hide the logger; each
// search meets other noise.
TEST_P(SearchAgainstAFaultyLine, FindsTheLoggerEveryTime) {
    std::vector<std::string> args = {"--model", "KX-15-DD"};
    args.insert(args.end(), GetParam().begin(), GetParam().end());
    EmulatorRig rig(args);
    for (int search = 0; search < 8; ++search) {
        const TSearchResult result = rig.session.Connect();
        ASSERT_TRUE(result.Found()) << "search " << search << ": " << result.Answer();
        EXPECT_EQ("KX-15-DD", result.Answer());
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, SearchAgainstAFaultyLine,
                         testing::Values(std::vector<std::string>{"--noise"}, std::vector<std::string>{"--crlf"},
                                         std::vector<std::string>{"--noise", "--crlf", "--noise-seed", "5"}),
                         [](const testing::TestParamInfo<std::vector<std::string>>& info) {
                             std::string name;
                             for (const std::string& arg : info.param)
                                 if (arg.rfind("--", 0) == 0) name += arg == "--noise" ? "Noise" : arg == "--crlf" ? "CrLf" : "";
                             return name;
                         });

TEST(LoggerAgainstEmulator, UnpluggedMidDownloadEndsWithThePortFailure) {
    EmulatorRig rig({"--readings", "200", "--interval", "1", "--unplug-after", "60"});
    ASSERT_TRUE(rig.ConnectAndRead());
    const TDownloadReport report = rig.session.DownloadReadings(TDownloadRange{0, 199, true});
    EXPECT_EQ(TDownloadEnd::PortFailure, report.Ending);
    EXPECT_EQ(EIO, report.PortError);
    EXPECT_EQ("Input/output error", report.PortErrorText);
    EXPECT_EQ(60u, rig.host.Data.size());
    EXPECT_TRUE(rig.host.Wanted) << "the download only ended because the test stopped it";
}

TEST(LoggerAgainstEmulator, ARecordingThatStartsLaterIsNotAskedFor) {
    EmulatorRig rig({"--start-in", "3600"});
    ASSERT_TRUE(rig.ConnectAndRead());
    const std::size_t logged = rig.host.Log.size();
    const TDownloadReport report = rig.session.DownloadReadings(TDownloadRange{0, 10, true});
    EXPECT_EQ(TDownloadEnd::NotStarted, report.Ending);
    EXPECT_EQ(logged, rig.host.Log.size());
}

}  // namespace

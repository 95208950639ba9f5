// The protocol against the logger emulator on a real pty: the whole road of a user, and an
// emulator that is killed in the middle of a download.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "emulator/emulator_process.h"
#include "logger/logger_session.h"
#include "logger/testing/recording_host.h"
#include "serial/serial_port.h"

using lorv_test::TRecordingHost;
using Field = TLoggerHost::Field;

namespace {

void UseDeviceMapFor(const std::string& slavePath) {
    const std::string path = testing::TempDir() + "logger_emulator_map_" + std::to_string(getpid()) + ".txt";
    std::ofstream(path, std::ios::trunc) << "\\Device\\VCP0=" << slavePath.substr(5) << "\n";
    setenv("LORV304D_DEVICEMAP", path.c_str(), 1);
}

TEST(LoggerAgainstEmulator, ConnectReadSettingsAndDownloadEveryReading) {
    emulator::EmulatorProcess logger({"--model", "KXW-16-2", "--readings", "61", "--interval", "00:01:00"});
    UseDeviceMapFor(logger.SlavePath());
    TSerialPort port;
    TRecordingHost host;
    TLoggerSession session(port, host);

    ASSERT_TRUE(session.Connect());
    EXPECT_EQ("KXW-16-2", host.Fields[Field::Model]);
    session.ReadLoggerSettings();
    EXPECT_EQ(60, session.RecIntervalSeconds);
    EXPECT_EQ("00:01:00", host.Fields[Field::Interval]);
    EXPECT_EQ(1, host.TimerStarts);

    session.ComputeReadRange(host.Fields[Field::ReadStart], host.Fields[Field::ReadStop]);
    EXPECT_EQ(0, session.ReadFirstIndex);
    EXPECT_EQ(60, session.ReadEndIndex);

    host.Status.clear();
    const TLoggerSession::DownloadResult result = session.DownloadReadings();
    EXPECT_EQ(61, result.Stored);
    ASSERT_EQ(61u, host.Data.size());
    EXPECT_EQ((std::vector<std::string>{"41%", "83%"}), host.Status);
    for (const auto& line : host.Data) EXPECT_EQ(35u, line.size()) << line;
    EXPECT_EQ(host.Data.back().substr(0, 19), host.Fields[Field::ReadStart]);

    // The next press starts at the last reading fetched and finds nothing new.
    session.ComputeReadRange(host.Fields[Field::ReadStart], host.Fields[Field::ReadStop]);
    EXPECT_FALSE(session.DownloadReadings().Started);
    EXPECT_EQ("Brak nowych danych !", host.Status.back());
}

TEST(LoggerAgainstEmulator, KilledMidDownloadEndsWithoutAHang) {
    // Paced at 9600 baud the download takes seconds, so the kill lands in its middle.
    emulator::EmulatorProcess logger({"--readings", "2000", "--baud", "9600"});
    TSerialPort port;
    port.OpenPort(logger.SlavePath());
    port.SetLineParams(115200, 8, 'N', 0, false, false);
    TRecordingHost host;
    TLoggerSession session(port, host);
    session.ReadFirstIndex = 0;
    session.ReadEndIndex = 1999;
    host.OnEvents = [&] {
        if (host.Data.size() == 30) logger.Stop();
        if (host.EventPumps > 20000) host.Wanted = false;
    };

    session.DownloadReadings();
    EXPECT_TRUE(host.Wanted) << "the download only ended because the test stopped it";
    EXPECT_GE(host.Data.size(), 30u);
    EXPECT_LT(host.Data.size(), 60u);
}

}  // namespace

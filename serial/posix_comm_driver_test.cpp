// TSerialPort over the POSIX driver against a real pseudo-terminal. The test holds the master side
// and plays the peer; the port opens the slave device like any serial port.
#include "serial/posix_comm_driver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "serial/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class PtyPort : public ::testing::Test {
  protected:
    void SetUp() override {
        int slave = -1;
        char name[128] = {};
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        // The master must not translate either: the bytes seen here are the bytes on the line.
        termios t{};
        tcgetattr(master, &t);
        cfmakeraw(&t);
        tcsetattr(master, TCSANOW, &t);
        ::close(slave);
        path = name;
    }
    void TearDown() override {
        port.ClosePort();
        if (master >= 0) ::close(master);
    }
    void PeerWrite(const std::string& bytes) {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    // Reads what the port sent, giving up after timeoutMs (only a hang takes that long).
    std::string PeerRead(size_t want, int timeoutMs = 10000) {
        std::string got;
        const auto start = Clock::now();
        while (got.size() < want && MsSince(start) < timeoutMs) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            char buf[4096];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }
    void OpenRaw() {
        port.OpenPort(path);
        ASSERT_EQ(port.ErrorCode(), 0) << port.ErrorText();
        port.SetLineParams(115200, 8, 'N', 0, false, false);
        ASSERT_EQ(port.ErrorCode(), 0) << port.ErrorText();
    }

    int master = -1;
    std::string path;
    TSerialPort port;  // the real POSIX driver
};

TEST_F(PtyPort, OpensByAbsolutePathAndByDeviceName) {
    port.OpenPort(path);
    EXPECT_EQ(port.ErrorCode(), 0) << port.ErrorText();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Device(), path);
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());

    ASSERT_EQ(path.rfind("/dev/", 0), 0u);
    const std::string byName = "\\\\.\\" + path.substr(5);  // "\\.\pts/N"
    port.OpenPort(byName);
    EXPECT_EQ(port.ErrorCode(), 0) << port.ErrorText();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Device(), byName);
}

TEST_F(PtyPort, MissingDeviceAndNonTerminalFailWithTheOsCode) {
    port.OpenPort("\\\\.\\no-such-tty-here");
    EXPECT_EQ(port.ErrorCode(), ENOENT);
    EXPECT_EQ(port.ErrorText(), "No such file or directory");
    EXPECT_FALSE(port.IsOpen());
    port.OpenPort("/dev/null");
    EXPECT_EQ(port.ErrorCode(), ENOTTY);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PtyPort, SecondOpenOfABusyDeviceFails) {
    OpenRaw();
    TSerialPort other;
    other.OpenPort(path);
    EXPECT_FALSE(other.IsOpen());
    EXPECT_TRUE(other.ErrorCode() == EBUSY || other.ErrorCode() == EWOULDBLOCK) << other.ErrorCode();
    // The first stays usable.
    port.WriteText("x");
    EXPECT_EQ(port.ErrorCode(), 0);
    EXPECT_EQ(PeerRead(1), "x");
    // Once it is closed the device opens again.
    port.ClosePort();
    other.OpenPort(path);
    EXPECT_TRUE(other.IsOpen()) << other.ErrorText();
}

TEST(DevicePathForPort, MapsPortPathsToDevices) {
    EXPECT_EQ(posix_comm::DevicePathForPort("\\\\.\\COM3"), "/dev/ttyS2");
    EXPECT_EQ(posix_comm::DevicePathForPort("\\\\.\\com1"), "/dev/ttyS0");
    EXPECT_EQ(posix_comm::DevicePathForPort("\\\\.\\ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(posix_comm::DevicePathForPort("\\\\.\\pts/4"), "/dev/pts/4");
    EXPECT_EQ(posix_comm::DevicePathForPort("\\\\.\\COM-1"), "/dev/COM-1");  // no such device: fails to open
    EXPECT_EQ(posix_comm::DevicePathForPort("/dev/pts/4"), "/dev/pts/4");
}

struct TermiosRow {
    const char* name;
    int32_t baud, bits;
    char parity;
    int32_t stop;
    bool soft, hard;
    speed_t speed;
    tcflag_t size;
    bool parenb, parodd, cmspar, cstopb, crtscts, ixon;
};
const TermiosRow kTermiosRows[] = {
    {"program", 115200, 8, 'N', 0, false, false, B115200, CS8, false, false, false, false, false, false},
    {"even_two_stop", 9600, 7, 'E', 2, false, false, B9600, CS7, true, false, false, true, false, false},
    {"odd_hardware_flow", 19200, 8, 'O', 0, false, true, B19200, CS8, true, true, false, false, true, false},
    {"mark_one_and_half", 4800, 6, 'M', 1, false, false, B4800, CS6, true, true, true, true, false, false},
    {"space_five_bits", 300, 5, 's', 0, false, false, B300, CS5, true, false, true, false, false, false},
    {"software_flow", 57600, 8, 'n', 0, true, false, B57600, CS8, false, false, false, false, false, true},
};
std::string RowName(const ::testing::TestParamInfo<TermiosRow>& info) { return info.param.name; }

// The settings the port class builds, as termios gets them and as they come back.
class TermiosConversion : public ::testing::TestWithParam<TermiosRow> {};
TEST_P(TermiosConversion, RoundTrip) {
    const TermiosRow& r = GetParam();
    TLineState s;
    s.BaudRate = static_cast<uint32_t>(r.baud);
    s.ByteSize = static_cast<uint8_t>(r.bits);
    s.Parity = r.parity == 'N' || r.parity == 'n' ? 0
               : r.parity == 'O'                  ? 1
               : r.parity == 'E'                  ? 2
               : r.parity == 'M'                  ? 3
                                                  : 4;
    s.fParity = s.Parity != 0;
    s.StopBits = static_cast<uint8_t>(r.stop);
    s.fOutX = s.fInX = r.soft;
    s.fOutxCtsFlow = r.hard;
    s.fRtsControl = r.hard ? 2 : 1;
    s.XonChar = 17;
    s.XoffChar = 19;
    termios t{};
    t.c_lflag = ICANON | ECHO | ISIG;
    t.c_oflag = OPOST;
    ASSERT_TRUE(posix_comm::LineStateToTermios(s, t));
    EXPECT_EQ(cfgetospeed(&t), r.speed);
    EXPECT_EQ(cfgetispeed(&t), r.speed);
    EXPECT_EQ(t.c_cflag & CSIZE, r.size);
    EXPECT_EQ((t.c_cflag & PARENB) != 0, r.parenb);
    EXPECT_EQ((t.c_cflag & PARODD) != 0, r.parodd);
    EXPECT_EQ((t.c_cflag & CMSPAR) != 0, r.cmspar);
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, r.cstopb);
    EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, r.crtscts);
    EXPECT_EQ((t.c_iflag & IXON) != 0, r.ixon);
    EXPECT_EQ((t.c_iflag & IXOFF) != 0, r.ixon);
    EXPECT_EQ((t.c_iflag & INPCK) != 0, r.parenb);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(posix_comm::LineStateFromTermios(t, s), s);
}
INSTANTIATE_TEST_SUITE_P(Rows, TermiosConversion, ::testing::ValuesIn(kTermiosRows), RowName);

TEST(TermiosConversion, RefusesWhatTermiosCannotHold) {
    TLineState s;
    s.ByteSize = 8;
    termios t{};
    for (uint32_t baud : {0u, 12345u}) {
        s.BaudRate = baud;
        EXPECT_FALSE(posix_comm::LineStateToTermios(s, t)) << baud;
    }
    s.BaudRate = 9600;
    s.ByteSize = 9;
    EXPECT_FALSE(posix_comm::LineStateToTermios(s, t));
    s.ByteSize = 8;
    s.Parity = 5;
    EXPECT_FALSE(posix_comm::LineStateToTermios(s, t));
    s.Parity = 0;
    s.StopBits = 3;
    EXPECT_FALSE(posix_comm::LineStateToTermios(s, t));
}

// On the pty itself: the kernel keeps speed, stop bits and flow control (a pty always runs 8 bits
// without parity, so those are checked above only).
class PtyLineSettings : public PtyPort, public ::testing::WithParamInterface<TermiosRow> {};
TEST_P(PtyLineSettings, AppliedToTermios) {
    const TermiosRow& r = GetParam();
    port.OpenPort(path);
    ASSERT_TRUE(port.IsOpen());
    port.SetLineParams(r.baud, r.bits, r.parity, r.stop, r.soft, r.hard);
    ASSERT_EQ(port.ErrorCode(), 0) << port.ErrorText();
    termios t{};
    ASSERT_EQ(tcgetattr(port.Handle(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), r.speed);
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, r.cstopb);
    EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, r.crtscts);
    EXPECT_EQ((t.c_iflag & IXON) != 0, r.ixon);
    EXPECT_EQ((t.c_iflag & INPCK) != 0, r.parenb);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    port.LoadLineState();
    EXPECT_EQ(port.ErrorCode(), 0);
    EXPECT_EQ(port.LineState().BaudRate, static_cast<uint32_t>(r.baud));
    EXPECT_EQ(port.LineState().XonLim, 1024);
}
INSTANTIATE_TEST_SUITE_P(Rows, PtyLineSettings, ::testing::ValuesIn(kTermiosRows), RowName);

TEST_F(PtyPort, UnsupportedSpeedIsRefusedByTheDriver) {
    OpenRaw();
    port.SetLineParams(12345, 8, 'N', 0, false, false);
    EXPECT_EQ(port.ErrorCode(), EINVAL);
}

TEST_F(PtyPort, WriteThenReadAcrossThePty) {
    OpenRaw();
    port.WriteText("N?\r");
    EXPECT_EQ(port.ErrorCode(), 0);
    EXPECT_EQ(PeerRead(3), "N?\r");
    PeerWrite("LOG-2\r\nT?");
    EXPECT_EQ(port.ReadUntil(10000, "\n"), "LOG-2\r");
    EXPECT_EQ(port.ErrorCode(), 0);
    // The rest of the arrival waits in the line buffer and starts the next call.
    EXPECT_EQ(port.LineBuffer(), "T?");
    PeerWrite("!\n");
    EXPECT_EQ(port.ReadUntil(10000, "\n"), "T?!");
    // Every byte value passes unchanged.
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    port.WriteText(all);
    EXPECT_EQ(PeerRead(256), all);
}

TEST_F(PtyPort, ClosingLetsTheLastCommandOut) {
    // Each close right after a write, as the window's last "d!"; the peer reads only afterwards,
    // so nothing can be read before the close had its chance to throw the bytes away.
    for (int i = 0; i < 30; ++i) {
        OpenRaw();
        PeerWrite("stale");
        port.WriteText("d!\r");
        port.ClosePort();
        EXPECT_EQ(PeerRead(3), "d!\r") << "close " << i;
    }
}

TEST_F(PtyPort, RealTimeOutTakesItsTime) {
    OpenRaw();
    PeerWrite("HALF");
    const auto start = Clock::now();
    EXPECT_EQ(port.ReadUntil(1000, "\n"), "");
    const int64_t took = MsSince(start);
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
    EXPECT_GE(took, 990);   // the time-out did wait
    EXPECT_LT(took, 5000);  // and did not hang
    EXPECT_EQ(port.LineBuffer(), "HALF");
}

TEST_F(PtyPort, PeerClosedMidReadEndsWithTheOsCode) {
    OpenRaw();
    std::thread peer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PeerWrite("AB");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::close(master);
        master = -1;
    });
    // The OS code (not 9997) shows that the hang-up ended the read, not the long time-out.
    const auto start = Clock::now();
    EXPECT_EQ(port.ReadUntil(60000, "\n"), "");
    const int64_t took = MsSince(start);
    peer.join();
    EXPECT_EQ(port.ErrorCode(), EIO) << port.ErrorText();
    EXPECT_LT(took, 30000);
    EXPECT_EQ(port.LineBuffer(), "AB");
    // Later calls fail the same way at once instead of waiting out a time-out each.
    const auto again = Clock::now();
    EXPECT_EQ(port.ReadUntil(60000, "\n"), "");
    EXPECT_EQ(port.ErrorCode(), EIO);
    EXPECT_LT(MsSince(again), 30000);
    port.WriteText("D?\r");
    EXPECT_EQ(port.ErrorCode(), EIO);
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PtyPort, WriteThatCannotDrainEndsAfterTheDeadlockTimeout) {
    OpenRaw();
    port.SetDeadlockTimeout(200);
    const std::string big(1 << 20, 'w');  // far more than the pty holds while nobody reads
    const auto start = Clock::now();
    const int32_t written = port.WriteBytes(big.data(), static_cast<int32_t>(big.size()));
    EXPECT_EQ(port.ErrorCode(), SerialErrTimeout);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, static_cast<int32_t>(big.size()));
    EXPECT_GE(MsSince(start), 190);
}

TEST_F(PtyPort, BreakPulseAndQueues) {
    OpenRaw();
    const auto start = Clock::now();
    port.SendBreakPulse(50);
    EXPECT_EQ(port.ErrorCode(), 0) << port.ErrorText();
    EXPECT_GE(MsSince(start), 45);

    PeerWrite("abc");
    EXPECT_TRUE(port.WaitForInput(10000));
    EXPECT_EQ(port.InputQueueCount(), 3);
    port.DiscardAll();
    EXPECT_EQ(port.ErrorCode(), 0);
    EXPECT_EQ(port.InputQueueCount(), 0);
    EXPECT_EQ(port.OutputQueueCount(), 0);
    EXPECT_TRUE(port.WaitForOutputDrained(100));
    port.FlushOutput();
    EXPECT_EQ(port.ErrorCode(), 0);
}

TEST_F(PtyPort, PtyHasNoModemLines) {
    OpenRaw();
    port.ReadModemLines();
    EXPECT_NE(port.ErrorCode(), 0);
    // So a port that asks for DSR does not count as answering.
    port.ClosePort();
    port.SetTestDSR(true);
    port.OpenPort(path);
    EXPECT_EQ(port.ErrorCode(), SerialErrNoAnswer);
    EXPECT_FALSE(port.IsOpen());
}

}  // namespace

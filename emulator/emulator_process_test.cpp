// The built lorv304d-emulator over its real pseudo-terminal, talked to with plain POSIX calls.
#include "emulator/emulator_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace emulator {
namespace {

using Clock = std::chrono::steady_clock;

int OpenLine(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    EXPECT_GE(fd, 0) << path;
    return fd;
}

void Send(int fd, const std::string& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
}

// Reads until `lines` line feeds came or `quietMs` passed without a byte. `reads` counts the
// pieces in which the bytes arrived.
std::string Receive(int fd, int lines, int quietMs = 500, int* reads = nullptr) {
    std::string got;
    int seen = 0;
    while (seen < lines) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, quietMs) <= 0) break;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        if (reads) ++*reads;
        got.append(buf, static_cast<std::size_t>(n));
        for (ssize_t i = 0; i < n; ++i) seen += buf[i] == '\n';
    }
    return got;
}

std::string Ask(int fd, const std::string& command, int lines = 1) {
    Send(fd, command + "\r");
    return Receive(fd, lines);
}

long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    return utime + stime;
}

class EmulatorProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        map_ =
            std::filesystem::temp_directory_path() / ("lorv_emulator_map_" + std::to_string(::getpid()) + "_" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove(map_);
    }
    void TearDown() override { std::filesystem::remove(map_); }
    std::filesystem::path map_;
};

TEST_F(EmulatorProcessTest, AnswersCommandsAndWritesItsDeviceMap) {
    EmulatorProcess emu({"--model", "KX-05", "--readings", "60", "--devicemap", map_.string()});
    ASSERT_EQ(emu.SlavePath().rfind("/dev/pts/", 0), 0u) << emu.SlavePath();
    std::ifstream mapIn(map_);
    std::string mapLine;
    std::getline(mapIn, mapLine);
    EXPECT_EQ(mapLine, "\\Device\\VCP0=" + emu.SlavePath().substr(5));

    const int fd = OpenLine(emu.SlavePath());
    EXPECT_EQ(Ask(fd, "N?"), "KX-05\n");
    EXPECT_EQ(Ask(fd, "I?"), "00:01:00\n");
    const std::string clock = Ask(fd, "T?");
    EXPECT_EQ(clock.size(), 20u) << clock;
    const std::string first = Ask(fd, "D?0", 25);
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 25) << first;
    EXPECT_EQ(first.find('\r'), std::string::npos);
    // Ten readings are left from index 50 (a sixty-first may be taken meanwhile); then silence.
    const std::string rest = Ask(fd, "D?50", 25);
    EXPECT_GE(std::count(rest.begin(), rest.end(), '\n'), 10) << rest;
    EXPECT_LE(std::count(rest.begin(), rest.end(), '\n'), 11) << rest;
    EXPECT_EQ(Ask(fd, "E!"), "");
    EXPECT_EQ(Ask(fd, "D?5"), "");
    ::close(fd);

    EXPECT_EQ(emu.Stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(map_));
}

TEST_F(EmulatorProcessTest, SurvivesTheLineBeingClosedAndReopenedWithoutSpinning) {
    EmulatorProcess emu({"--crlf"});
    int fd = OpenLine(emu.SlavePath());
    // This opener leaves cooked settings and half a command behind.
    termios tio{};
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    tio.c_iflag |= ICRNL;
    tio.c_lflag |= ECHO | ICANON;
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &tio), 0);
    Send(fd, "N");
    ::close(fd);

    const long before = CpuTicks(emu.Pid());
    const timespec idle{0, 500'000'000};
    nanosleep(&idle, nullptr);
    // A hung-up master that is polled without pause would burn the whole half second (50 ticks).
    EXPECT_LE(CpuTicks(emu.Pid()) - before, 10);

    fd = OpenLine(emu.SlavePath());
    // The next opener gets the raw line back: the CR LF arrives untranslated.
    EXPECT_EQ(Ask(fd, "N?"), "KX-15-1\r\n");
    ::close(fd);
    fd = OpenLine(emu.SlavePath());
    EXPECT_EQ(Ask(fd, "U?"), "3612\r\n");
    ::close(fd);

    ::kill(emu.Pid(), SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(emu.Pid(), &status, 0), emu.Pid());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Opens the line exclusively, asks "N?", closes and reopens at once; then opens exclusively and
// closes without a word, and reopens shortly after. Returns 0, or the number of the failed step.
int ExclusiveOpenersInTurn(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0 || ::ioctl(fd, TIOCEXCL) != 0) return 1;
    if (::write(fd, "N?\r", 3) != 3) return 2;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 2000) != 1) return 3;
    ::close(fd);
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0 || ::ioctl(fd, TIOCEXCL) != 0) return 4;
    ::close(fd);
    const timespec pause{0, 100'000'000};
    nanosleep(&pause, nullptr);
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return 5;
    ::close(fd);
    return 0;
}

TEST_F(EmulatorProcessTest, ExclusiveUseEndsWithEachOpener) {
    EmulatorProcess emu;
    if (::geteuid() != 0) {
        EXPECT_EQ(ExclusiveOpenersInTurn(emu.SlavePath()), 0);
        return;
    }
    // Exclusive use does not stop root, so the openers run as an ordinary user.
    ASSERT_EQ(::chmod(emu.SlavePath().c_str(), 0666), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
        ::_exit(ExclusiveOpenersInTurn(emu.SlavePath()));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 100) GTEST_SKIP() << "cannot switch to an ordinary user here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(EmulatorProcessTest, PacesAnswersAtTheBaudRateAndByteByByte) {
    {
        EmulatorProcess emu({"--baud", "300"});  // 33.3 ms per byte
        const int fd = OpenLine(emu.SlavePath());
        const auto t0 = Clock::now();
        EXPECT_EQ(Ask(fd, "N?"), "KX-15-1\n");
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
        EXPECT_GE(ms, 7 * 33);  // the first byte goes at once, each of the other seven one byte time later
        ::close(fd);
    }
    {
        EmulatorProcess emu({"--slow-bytes", "40", "--model", "KX-05"});
        const int fd = OpenLine(emu.SlavePath());
        Send(fd, "N?\r");
        int reads = 0;
        const auto t0 = Clock::now();
        EXPECT_EQ(Receive(fd, 1, 500, &reads), "KX-05\n");
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
        EXPECT_GE(ms, 5 * 40);
        EXPECT_EQ(reads, 6);
        ::close(fd);
    }
}

TEST_F(EmulatorProcessTest, UnplugHangsTheLineUpOnceItsLastReadingsAreRead) {
    EmulatorProcess emu({"--readings", "100", "--unplug-after", "30", "--devicemap", map_.string()});
    const int fd = OpenLine(emu.SlavePath());
    const std::string first = Ask(fd, "D?0", 25);
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 25);
    const std::string rest = Ask(fd, "D?25", 25);
    EXPECT_EQ(std::count(rest.begin(), rest.end(), '\n'), 5) << rest;
    // The line is gone: a read ends at once instead of waiting for data.
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 5000), 1);
    char c = 0;
    EXPECT_LE(::read(fd, &c, 1), 0);
    ::close(fd);
    EXPECT_EQ(emu.Stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(map_));
}

TEST(EmulatorStartTest, BadOptionEndsBeforeALineExists) {
    EXPECT_THROW(EmulatorProcess({"--no-such-option"}), std::runtime_error);
}

}  // namespace
}  // namespace emulator

// The diagnosis of ports that do not open, against real pseudo-terminals: one this user may not
// open, one that another process holds, one that is not there; and the texts made from it.
#include "serial/port_diagnosis.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <ostream>
#include <thread>

#include "base/testing/unprivileged_child.h"
#include "serial/port_diagnosis_text.h"
#include "serial/serial_port.h"

// Found by argument-dependent lookup, so beside TPortHolder in the global namespace.
void PrintTo(const TPortHolder& holder, std::ostream* os) {
    *os << holder.Program << " (PID " << holder.Pid << (holder.IsModemManager ? ", ModemManager)" : ")");
}

namespace {

// A pseudo-terminal whose slave side nobody has open; the test keeps the master.
class PtyDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        int slave = -1;
        char name[128] = {};
        ASSERT_EQ(0, ::openpty(&master_, &slave, name, nullptr, nullptr));
        ::close(slave);
        path_ = name;
    }
    void TearDown() override { ::close(master_); }

    int master_ = -1;
    std::string path_;
};

TEST_F(PtyDevice, NothingForAnOpenedPortAndGoneForAMissingOne) {
    EXPECT_FALSE(DiagnosePort("pts", path_, true, 0).has_value());
    EXPECT_FALSE(DiagnosePort("pts", path_, false, 0).has_value());

    TSerialPort port;
    port.OpenPort("\\\\.\\lorv304d-no-such-tty");
    const auto d = DiagnosePort("lorv304d-no-such-tty", "\\\\.\\lorv304d-no-such-tty", port.IsOpen(), port.ErrorCode());
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(TPortTrouble::Gone, d->Trouble);
    EXPECT_EQ(ENOENT, d->OsError);
    EXPECT_EQ("/dev/lorv304d-no-such-tty", d->DevicePath);
}

TEST_F(PtyDevice, UnreadableDeviceNamesItsGroupAndTheWayIn) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to give the device away and drop privileges";
    const group* dialout = ::getgrnam("dialout");
    if (!dialout) GTEST_SKIP() << "no group dialout here";
    const gid_t gid = dialout->gr_gid;
    ASSERT_EQ(0, ::chown(path_.c_str(), 0, gid));
    ASSERT_EQ(0, ::chmod(path_.c_str(), 0660));

    // As "nobody", who is in no group: the open is refused by the system, not by the test.
    const std::string seen = RunInUnprivilegedChild([&] {
        TSerialPort port;
        port.OpenPort(path_);
        const auto d = DiagnosePort("pts", path_, port.IsOpen(), port.ErrorCode());
        if (!d) return std::string("no diagnosis, open code ") + std::to_string(port.ErrorCode());
        return "trouble " + std::to_string(static_cast<int>(d->Trouble)) + ", error " + std::to_string(d->OsError) +
               ", group " + d->GroupName + ", mode " + std::to_string(d->Mode) + ", process in group " +
               std::to_string(d->ProcessInGroup) + ", user in group " + std::to_string(d->UserInGroup) + "\n" +
               PortDiagnosisText(*d);
    });
    EXPECT_EQ("trouble 0, error 13, group dialout, mode 432, process in group 0, user in group 0\nPort pts (" + path_ +
                  "): permission denied. It belongs to the group \"dialout\" and user \"nobody\" is not in it: join it "
                  "with \"sudo usermod -aG dialout nobody\", then log out and in again (the membership counts only "
                  "from a new login).",
              seen);
}

struct THolderCase {
    const char* Name;
    const char* Program;  // the holder's process name
    bool IsModemManager;
};

std::ostream& operator<<(std::ostream& os, const THolderCase& row) { return os << row.Name; }

class BusyPty : public PtyDevice, public ::testing::WithParamInterface<THolderCase> {};

TEST_P(BusyPty, NamesTheProcessThatHoldsIt) {
    int ready[2], release[2];
    ASSERT_EQ(0, ::pipe(ready));
    ASSERT_EQ(0, ::pipe(release));
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        ::prctl(PR_SET_NAME, GetParam().Program);
        ::close(ready[0]);
        ::close(release[1]);
        TSerialPort port;
        port.OpenPort(path_);
        const char opened = port.IsOpen() ? '1' : '0';
        [[maybe_unused]] ssize_t n = ::write(ready[1], &opened, 1);
        char byte;
        n = ::read(release[0], &byte, 1);  // until the test closes its end
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    pollfd wait{ready[0], POLLIN, 0};
    char opened = 0;
    ASSERT_EQ(1, ::poll(&wait, 1, 10000)) << "the holder did not start";
    ASSERT_EQ(1, ::read(ready[0], &opened, 1));
    ASSERT_EQ('1', opened);

    TSerialPort port;
    port.OpenPort(path_);
    const auto d = DiagnosePort("pts", path_, port.IsOpen(), port.ErrorCode());
    ::close(release[1]);
    ::close(ready[0]);
    int status = 0;
    ::waitpid(holder, &status, 0);

    ASSERT_TRUE(d.has_value()) << "the second open succeeded";
    EXPECT_EQ(TPortTrouble::Busy, d->Trouble) << d->OsError;
    EXPECT_EQ(std::vector<TPortHolder>{(TPortHolder{holder, GetParam().Program, GetParam().IsModemManager})},
              d->Holders);
}

INSTANTIATE_TEST_SUITE_P(Rows, BusyPty,
                         ::testing::Values(THolderCase{"ModemManager", "ModemManager", true},
                                           THolderCase{"AnotherCopy", "lorv304d", false}),
                         [](const auto& info) { return std::string(info.param.Name); });

// The kernel keeps 15 bytes of a program's name; "lorv304d-emulator" is one that is longer.
TEST_F(PtyDevice, AHolderWithALongNameIsNamedWhole) {
    const std::string program = "lorv304d-holder-with-a-long-name";
    const std::string link = ::testing::TempDir() + program;
    ::unlink(link.c_str());
    ASSERT_EQ(0, ::symlink("/bin/sleep", link.c_str()));
    // The child locks the device as the port does and keeps it through the exec.
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) ::_exit(1);
        ::execl(link.c_str(), link.c_str(), "60", static_cast<char*>(nullptr));
        ::_exit(2);
    }
    // Waits for the exec to finish: the new name and command line are in place.
    const auto read = [&](const char* file) {
        std::ifstream in("/proc/" + std::to_string(holder) + "/" + file);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((read("comm") != program.substr(0, 15) + "\n" || read("cmdline").rfind(link, 0) != 0) &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    TSerialPort port;
    port.OpenPort(path_);
    const auto d = DiagnosePort(path_, path_, port.IsOpen(), port.ErrorCode());
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::unlink(link.c_str());

    ASSERT_TRUE(d.has_value()) << "the second open succeeded";
    EXPECT_EQ(std::vector<TPortHolder>{(TPortHolder{holder, program, false})}, d->Holders);
}

struct TTextCase {
    const char* Name;
    TPortDiagnosis Diagnosis;
    const char* Text;
};

std::ostream& operator<<(std::ostream& os, const TTextCase& row) { return os << row.Name; }

TPortDiagnosis Diagnosis(const char* port, int error, TPortTrouble trouble) {
    TPortDiagnosis d;
    d.PortName = port;
    d.DevicePath = std::string("/dev/") + port;
    d.OsError = error;
    d.Trouble = trouble;
    return d;
}

TPortDiagnosis Refused(unsigned gid, const char* group, bool inProcess, bool inUser, const char* user,
                       unsigned mode = 0660) {
    TPortDiagnosis d = Diagnosis("ttyUSB0", EACCES, TPortTrouble::NoPermission);
    d.GroupId = gid;
    d.GroupName = group;
    d.Mode = mode;
    d.ProcessInGroup = inProcess;
    d.UserInGroup = inUser;
    d.UserName = user;
    return d;
}

TPortDiagnosis Held(int error, std::vector<TPortHolder> holders) {
    TPortDiagnosis d = Diagnosis("ttyACM0", error, TPortTrouble::Busy);
    d.Holders = std::move(holders);
    return d;
}

class PortText : public ::testing::TestWithParam<TTextCase> {};

TEST_P(PortText, SaysThePortTheReasonAndTheFix) { EXPECT_EQ(GetParam().Text, PortDiagnosisText(GetParam().Diagnosis)); }

INSTANTIATE_TEST_SUITE_P(
    Rows, PortText,
    ::testing::Values(
        TTextCase{"JoinedButNotLoggedInAgain", Refused(20, "dialout", false, true, "tech"),
                  "Port ttyUSB0 (/dev/ttyUSB0): permission denied. It belongs to the group \"dialout\"; user \"tech\" "
                  "was added to it after logging in, and the membership counts only from a new login: log out and in "
                  "again."},
        TTextCase{"UnknownUserAndUnnamedGroup", Refused(4711, "", false, false, ""),
                  "Port ttyUSB0 (/dev/ttyUSB0): permission denied. It belongs to the group with id 4711 and you are "
                  "not in it: join it with \"sudo usermod -aG 4711 $USER\", then log out and in again (the "
                  "membership counts only from a new login)."},
        TTextCase{"InTheGroupThatHasNoAccess", Refused(20, "dialout", true, true, "tech", 0600),
                  "Port ttyUSB0 (/dev/ttyUSB0): permission denied. It belongs to the group \"dialout\", which this "
                  "program is in, but its permissions (0600) do not let the group read and write it: ask the system's "
                  "administrator to allow it."},
        TTextCase{"TerminalGroupMayNotReadIt", Refused(5, "tty", false, false, "tech", 0620),
                  "Port ttyUSB0 (/dev/ttyUSB0): permission denied. It belongs to the group \"tty\", whose "
                  "permissions (0620) do not let its members read and write it: ask the system's administrator to "
                  "give serial devices to a group such as \"dialout\" (a udev rule) and to add you to it."},
        TTextCase{"RootsGroupIsNoFix", Refused(0, "root", false, false, "tech"),
                  "Port ttyUSB0 (/dev/ttyUSB0): permission denied. It belongs to the group \"root\": ask the system's "
                  "administrator to give serial devices to a group such as \"dialout\" (a udev rule) and to add you "
                  "to it."},
        TTextCase{"ModemManagerProbing", Held(EBUSY, {{512, "ModemManager", true}}),
                  "Port ttyACM0 (/dev/ttyACM0): busy. It is in use by ModemManager (PID 512). ModemManager looks at "
                  "every new USB serial device for a few seconds after it is plugged in: wait a moment and try again. "
                  "If it keeps the port, stop it with \"sudo systemctl stop ModemManager\" or have it leave the "
                  "device alone (a udev rule setting ID_MM_DEVICE_IGNORE=1)."},
        TTextCase{"TwoHolders", Held(EWOULDBLOCK, {{7, "lorv304d", false}, {9, "", false}}),
                  "Port ttyACM0 (/dev/ttyACM0): busy. It is in use by lorv304d (PID 7), a process (PID 9). Close "
                  "those programs and try again."},
        TTextCase{"PortGivenByItsPath",
                  [] {
                      TPortDiagnosis d = Held(EBUSY, {{7, "lorv304d-cli", false}});
                      d.PortName = d.DevicePath;
                      return d;
                  }(),
                  "Port /dev/ttyACM0: busy. It is in use by lorv304d-cli (PID 7). Close that program and try again."},
        TTextCase{"HolderOfAnotherUser", Held(EBUSY, {}),
                  "Port ttyACM0 (/dev/ttyACM0): busy. It is in use by another program, which cannot be seen from here "
                  "(it may run as another user): close it and try again."},
        TTextCase{"Gone", Diagnosis("ttyUSB1", ENODEV, TPortTrouble::Gone),
                  "Port ttyUSB1 (/dev/ttyUSB1): the device is gone (No such device): it was unplugged or its driver "
                  "removed. Plug the logger in again and repeat."},
        TTextCase{"Other", Diagnosis("ttyS0", EIO, TPortTrouble::Other),
                  "Port ttyS0 (/dev/ttyS0): Input/output error."}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace

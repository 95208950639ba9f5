#pragma once
// Why a serial port could not be opened, worked out from the system.
//
// The input is what the port search keeps of each port it probed: the port's name, the device path
// it opened ("\\.\ttyUSB0" or an absolute path), whether the open succeeded and the OS error code
// (errno) of a failed one. The result holds values only; PortDiagnosisText (port_diagnosis_text.h)
// turns them into words.
//
// Linux: the device node's owner group comes from stat(), the process's groups from getegid() and
// getgroups(), the user's groups from the user database (getgrouplist()), and the processes that
// hold a device from the links in /proc/<pid>/fd (program names from /proc/<pid>/comm, made whole
// from /proc/<pid>/cmdline when cut at 15 bytes). An unprivileged process sees only the holders
// that run as its own user.
#include <optional>
#include <string>
#include <vector>

#include "serial/device_holders.h"

enum class TPortTrouble {
    NoPermission,  // EACCES, EPERM: the device node does not let this process read and write it
    Busy,          // EBUSY, EWOULDBLOCK: another open of the device holds it exclusively
    Gone,          // ENOENT, ENODEV, ENXIO: the device node or the device behind it is gone
    Other,         // any other code
};

struct TPortDiagnosis {
    std::string PortName;    // as the port list names it ("ttyUSB0")
    std::string DevicePath;  // the file that was opened ("/dev/ttyUSB0")
    int OsError = 0;
    TPortTrouble Trouble = TPortTrouble::Other;

    // NoPermission: the group that owns the device node, the node's permission bits (0660) and
    // whether this process, and this user in the user database, belong to that group. A user who
    // is in it but whose process is not joined it after logging in.
    unsigned GroupId = 0;
    std::string GroupName;  // empty when the group has no name
    unsigned Mode = 0;
    bool ProcessInGroup = false;
    bool UserInGroup = false;
    std::string UserName;  // this process's user; empty when unknown

    // Busy: the processes that have the device open, by ascending PID. Empty when none can be seen.
    std::vector<TPortHolder> Holders;
};

// The diagnosis of a port that did not open; nothing for one that opened or whose code is 0.
// `devicePath` is the path as given to the port ("\\.\NAME" stands for /dev/NAME). Never throws for
// what it finds on the system: an unreadable node or process is left out.
std::optional<TPortDiagnosis> DiagnosePort(const std::string& portName, const std::string& devicePath, bool opened,
                                           int osError);

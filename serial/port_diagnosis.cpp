#include "serial/port_diagnosis.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "serial/device_holders.h"
#include "serial/posix_comm_driver.h"

namespace {

TPortTrouble TroubleOf(int osError) {
    switch (osError) {
        case EACCES:
        case EPERM:
            return TPortTrouble::NoPermission;
        case EBUSY:
        case EWOULDBLOCK:
            return TPortTrouble::Busy;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return TPortTrouble::Gone;
        default:
            return TPortTrouble::Other;
    }
}

bool ProcessHasGroup(gid_t gid) {
    if (::getegid() == gid) return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

bool UserHasGroup(const passwd& user, gid_t gid) {
    int count = 32;
    std::vector<gid_t> groups;
    for (int attempt = 0; attempt < 4; ++attempt) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(user.pw_name, user.pw_gid, groups.data(), &count) >= 0) {
            groups.resize(static_cast<std::size_t>(count));
            return std::find(groups.begin(), groups.end(), gid) != groups.end();
        }
    }
    return false;
}

void DiagnosePermission(TPortDiagnosis& d) {
    struct stat node {};
    if (::stat(d.DevicePath.c_str(), &node) != 0) return;
    d.GroupId = node.st_gid;
    d.Mode = node.st_mode & 07777;
    if (const group* g = ::getgrgid(node.st_gid)) d.GroupName = g->gr_name;
    d.ProcessInGroup = ProcessHasGroup(node.st_gid);
    if (const passwd* user = ::getpwuid(::geteuid())) {
        d.UserName = user->pw_name;
        d.UserInGroup = UserHasGroup(*user, node.st_gid);
    }
}

}  // namespace

std::optional<TPortDiagnosis> DiagnosePort(const std::string& portName, const std::string& devicePath, bool opened,
                                           int osError) {
    if (opened || osError == 0) return std::nullopt;
    TPortDiagnosis d;
    d.PortName = portName;
    d.DevicePath = posix_comm::DevicePathForPort(devicePath);
    d.OsError = osError;
    d.Trouble = TroubleOf(osError);
    if (d.Trouble == TPortTrouble::NoPermission) {
        DiagnosePermission(d);
    } else if (d.Trouble == TPortTrouble::Busy) {
        // The links in /proc name the device by its real path, not by a symlink such as
        // /dev/serial/by-id/...
        char real[PATH_MAX];
        if (::realpath(d.DevicePath.c_str(), real)) d.Holders = DeviceHolders(real);
    }
    return d;
}

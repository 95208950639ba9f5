#include "serial/port_diagnosis.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>

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

bool IsNumber(const char* text) {
    if (!*text) return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

std::string ReadLink(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

// /proc/<pid>/comm keeps only the first 15 bytes of a program's name ("lorv304d-emulat"); a cut
// name is made whole from the command line's first word when that begins with it.
std::string ProgramOf(int pid) {
    const std::string process = "/proc/" + std::to_string(pid);
    std::ifstream comm(process + "/comm");
    std::string name;
    std::getline(comm, name);
    if (name.size() < 15) return name;
    std::ifstream commandLine(process + "/cmdline");
    std::string first;
    std::getline(commandLine, first, '\0');
    const std::string program = first.substr(first.rfind('/') + 1);
    return program.rfind(name, 0) == 0 ? program : name;
}

// Every process whose open files include `device` (a canonical path). The links of /proc/<pid>/fd
// are read, never followed, so a process with a file on a hung network share cannot stall this.
std::vector<TPortHolder> HoldersOf(const std::string& device) {
    std::vector<TPortHolder> holders;
    DIR* proc = ::opendir("/proc");
    if (!proc) return holders;
    while (const dirent* process = ::readdir(proc)) {
        if (!IsNumber(process->d_name)) continue;
        const std::string fdDir = std::string("/proc/") + process->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds) continue;  // gone meanwhile, or another user's
        bool holds = false;
        while (const dirent* fd = ::readdir(fds)) {
            if (IsNumber(fd->d_name) && ReadLink(fdDir + "/" + fd->d_name) == device) {
                holds = true;
                break;
            }
        }
        ::closedir(fds);
        if (holds) {
            TPortHolder holder;
            holder.Pid = std::atoi(process->d_name);
            holder.Program = ProgramOf(holder.Pid);
            holder.IsModemManager = holder.Program == "ModemManager";
            holders.push_back(holder);
        }
    }
    ::closedir(proc);
    std::sort(holders.begin(), holders.end(), [](const TPortHolder& a, const TPortHolder& b) { return a.Pid < b.Pid; });
    return holders;
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
        if (::realpath(d.DevicePath.c_str(), real)) d.Holders = HoldersOf(real);
    }
    return d;
}

#include "serial/device_holders.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>

namespace {

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
std::string ProgramOf(const std::filesystem::path& procDir, int pid) {
    const std::string process = (procDir / std::to_string(pid)).string();
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

}  // namespace

std::vector<TPortHolder> DeviceHolders(const std::string& device, const std::filesystem::path& procDir) {
    std::vector<TPortHolder> holders;
    DIR* proc = ::opendir(procDir.c_str());
    if (!proc) return holders;
    while (const dirent* process = ::readdir(proc)) {
        if (!IsNumber(process->d_name)) continue;
        const std::string fdDir = (procDir / process->d_name / "fd").string();
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
            holder.Program = ProgramOf(procDir, holder.Pid);
            holder.IsModemManager = holder.Program == "ModemManager";
            holders.push_back(holder);
        }
    }
    ::closedir(proc);
    std::sort(holders.begin(), holders.end(), [](const TPortHolder& a, const TPortHolder& b) { return a.Pid < b.Pid; });
    return holders;
}

std::vector<TPortHolder> ProcessesNamed(const std::string& program, const std::filesystem::path& procDir) {
    std::vector<TPortHolder> found;
    DIR* proc = ::opendir(procDir.c_str());
    if (!proc) return found;
    while (const dirent* process = ::readdir(proc)) {
        if (!IsNumber(process->d_name)) continue;
        TPortHolder p;
        p.Pid = std::atoi(process->d_name);
        p.Program = ProgramOf(procDir, p.Pid);
        if (p.Program != program) continue;
        p.IsModemManager = p.Program == "ModemManager";
        found.push_back(p);
    }
    ::closedir(proc);
    std::sort(found.begin(), found.end(), [](const TPortHolder& a, const TPortHolder& b) { return a.Pid < b.Pid; });
    return found;
}

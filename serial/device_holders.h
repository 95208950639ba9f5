#pragma once
// The processes that have a device open, read from the links in <proc>/<pid>/fd (program names
// from <proc>/<pid>/comm, made whole from <proc>/<pid>/cmdline when cut at 15 bytes). An
// unprivileged process sees only the holders that run as its own user.
#include <filesystem>
#include <string>
#include <vector>

// A process that has the device open.
struct TPortHolder {
    int Pid = 0;
    std::string Program;  // its program name (/proc/<pid>/comm, whole); empty when unreadable
    bool IsModemManager = false;

    bool operator==(const TPortHolder&) const = default;
};

// Every process whose open files include `device` (a canonical path), by ascending PID. The links
// are read, never followed, so a process with a file on a hung network share cannot stall this.
std::vector<TPortHolder> DeviceHolders(const std::string& device, const std::filesystem::path& procDir = "/proc");

// The running processes whose program name is `program`, by ascending PID.
std::vector<TPortHolder> ProcessesNamed(const std::string& program, const std::filesystem::path& procDir = "/proc");

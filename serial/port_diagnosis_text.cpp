#include "serial/port_diagnosis_text.h"

#include <cstdio>

#include "serial/serial_port.h"

namespace {

std::string Octal(unsigned mode) {
    char text[16];  // room for any unsigned value, though modes have at most four digits
    std::snprintf(text, sizeof text, "%04o", mode);
    return text;
}

std::string GroupText(const TPortDiagnosis& d) {
    return d.GroupName.empty() ? "with id " + std::to_string(d.GroupId) : "\"" + d.GroupName + "\"";
}

std::string NoPermissionText(const TPortDiagnosis& d) {
    const std::string group = GroupText(d);
    const std::string ownGroup =
        "ask the system's administrator to give serial devices to a group such as \"dialout\" (a udev rule) and to "
        "add you to it.";
    // Joining root's group is no fix; the device should be given to a group of its own.
    if (d.GroupId == 0) return "It belongs to the group " + group + ": " + ownGroup;
    if (d.ProcessInGroup) {
        return "It belongs to the group " + group + ", which this program is in, but its permissions (" +
               Octal(d.Mode) + ") do not let the group read and write it: ask the system's administrator to allow it.";
    }
    // Nor is joining a group that may not read and write it (a terminal's "tty" group, 0620).
    if ((d.Mode & 060) != 060) {
        return "It belongs to the group " + group + ", whose permissions (" + Octal(d.Mode) +
               ") do not let its members read and write it: " + ownGroup;
    }
    const std::string user = d.UserName.empty() ? "$USER" : d.UserName;
    const bool named = !d.UserName.empty();
    const std::string who = named ? "user \"" + d.UserName + "\"" : "you";
    if (d.UserInGroup) {
        return "It belongs to the group " + group + "; " + who + (named ? " was" : " were") +
               " added to it after logging in, and the membership counts only from a new login: "
               "log out and in again.";
    }
    const std::string name = d.GroupName.empty() ? std::to_string(d.GroupId) : d.GroupName;
    return "It belongs to the group " + group + " and " + who + (named ? " is" : " are") +
           " not in it: join it with \"sudo usermod -aG " + name + " " + user +
           "\", then log out and in again (the membership counts only from a new login).";
}

std::string HolderList(const TPortDiagnosis& d) {
    std::string list;
    for (const TPortHolder& h : d.Holders) {
        if (!list.empty()) list += ", ";
        list += (h.Program.empty() ? std::string("a process") : h.Program) + " (PID " + std::to_string(h.Pid) + ")";
    }
    return list;
}

std::string BusyText(const TPortDiagnosis& d) {
    if (d.Holders.empty())
        return "It is in use by another program, which cannot be seen from here (it may run as another user): close "
               "it and try again.";
    std::string text = "It is in use by " + HolderList(d) + ".";
    for (const TPortHolder& h : d.Holders) {
        if (h.IsModemManager) {
            return text +
                   " ModemManager looks at every new USB serial device for a few seconds after it is plugged in: "
                   "wait a moment and try again. If it keeps the port, stop it with \"sudo systemctl stop "
                   "ModemManager\" or have it leave the device alone (a udev rule setting ID_MM_DEVICE_IGNORE=1).";
        }
    }
    return text +
           (d.Holders.size() > 1 ? " Close those programs and try again." : " Close that program and try again.");
}

}  // namespace

std::string PortDiagnosisText(const TPortDiagnosis& d) {
    // A port given by its path is not named twice.
    const std::string head =
        "Port " + d.PortName + (d.PortName == d.DevicePath ? std::string() : " (" + d.DevicePath + ")") + ": ";
    switch (d.Trouble) {
        case TPortTrouble::NoPermission:
            return head + "permission denied. " + NoPermissionText(d);
        case TPortTrouble::Busy:
            return head + "busy. " + BusyText(d);
        case TPortTrouble::Gone:
            return head + "the device is gone (" + TSerialPort::GetErrorDesc(d.OsError) +
                   "): it was unplugged or its driver removed. Plug the logger in again and repeat.";
        case TPortTrouble::Other:
            break;
    }
    return head + TSerialPort::GetErrorDesc(d.OsError) + ".";
}

#include "serial/ttyless_adapter_text.h"

#include <algorithm>

namespace {

const char* const Replug = "then unplug the adapter and plug it in again.";

std::string Pids(const std::vector<TPortHolder>& processes) {
    std::string list;
    for (const TPortHolder& p : processes) list += (list.empty() ? "" : ", ") + std::to_string(p.Pid);
    return list;
}

std::string ProgramList(const std::vector<TPortHolder>& holders) {
    std::string list;
    for (const TPortHolder& h : holders) {
        if (!list.empty()) list += ", ";
        list += (h.Program.empty() ? std::string("a process") : h.Program) + " (PID " + std::to_string(h.Pid) + ")";
    }
    return list;
}

std::string BrlttyText(const std::vector<TPortHolder>& brltty) {
    return "the braille display driver brltty" + (brltty.empty() ? std::string() : " (PID " + Pids(brltty) + ")") +
           " has taken it. If no braille display is used here, remove it with \"sudo apt remove brltty\" (or keep "
           "it off with \"sudo systemctl mask brltty-udev.service brltty.service\"), " +
           Replug;
}

std::string ReasonText(const TTtylessAdapter& a) {
    std::vector<TPortHolder> brltty;
    std::vector<TPortHolder> modemManager;
    for (const TPortHolder& h : a.Holders) {
        if (h.Program == "brltty") brltty.push_back(h);
        if (h.IsModemManager) modemManager.push_back(h);
    }
    if (!brltty.empty()) return BrlttyText(brltty);
    if (!modemManager.empty())
        return "ModemManager (PID " + Pids(modemManager) +
               ") is looking at it, as it does for a few seconds after a USB serial device is plugged in: wait a "
               "moment and try again. If it keeps the adapter, stop it with \"sudo systemctl stop ModemManager\" or "
               "have it leave the device alone (a udev rule setting ID_MM_DEVICE_IGNORE=1).";
    if (!a.Holders.empty())
        return "it is taken by " + ProgramList(a.Holders) + ": close " +
               (a.Holders.size() > 1 ? "those programs, " : "that program, ") + Replug;
    // brltty drops the adapter's driver when it claims the device and may let the device go again.
    if ((a.InterfaceDriver.empty() || a.InterfaceDriver == "usbfs") && !a.Brltty.empty()) return BrlttyText(a.Brltty);
    if (a.InterfaceDriver == "usbfs")
        return "a program has taken it over the USB bus, which cannot be seen from here (it may run as another "
               "user): close it, " +
               std::string(Replug);
    if (a.InterfaceDriver.empty())
        return "no driver is bound to it: load the driver with \"sudo modprobe " + a.Module + "\", " + Replug;
    return "its driver " + a.InterfaceDriver + " made no port for it: look at \"sudo dmesg\" for the reason, " + Replug;
}

}  // namespace

std::string TtylessAdapterText(const TTtylessAdapter& a) {
    std::string what = "USB serial adapter " + (a.Chip.empty() ? std::string() : a.Chip + " ") + "(USB ID " +
                       a.VendorId + ":" + a.ProductId + (a.Product.empty() ? "" : ", \"" + a.Product + "\"") + ")";
    return what + " at " + a.UsbPath + " has no serial port: " + ReasonText(a);
}

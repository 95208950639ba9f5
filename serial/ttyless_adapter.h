#pragma once
// USB serial adapters that are plugged in but have no tty, and why: a program has claimed the
// device over the USB bus (the braille display driver brltty takes some adapters on Debian), a
// prober such as ModemManager has it, or no driver is bound to it.
//
// Read from <root>/sys/bus/usb/devices (idVendor, idProduct, product, busnum, devnum, and for each
// interface bInterfaceClass, bInterfaceSubClass, its `driver` link and its tty entries) and from
// <root>/proc (the processes that hold /dev/bus/usb/BBB/DDD, and whether brltty runs). The root is
// "/" on a real system; tests point it at a fake tree. The result holds values only;
// TtylessAdapterText (ttyless_adapter_text.h) turns them into words.
#include <filesystem>
#include <string>
#include <vector>

#include "serial/device_holders.h"

struct TTtylessAdapter {
    std::string UsbPath;    // the device's name in sysfs ("1-1.2")
    std::string VendorId;   // "1a86"
    std::string ProductId;  // "7523"
    std::string Product;    // the device's own product string; empty when it has none
    std::string Chip;       // "CH340", "CP210x", "PL2303"; empty for a standard (CDC ACM) device
    std::string Module;     // the kernel driver that makes its tty ("ch341", "cdc_acm")
    // The driver bound to its serial interface: "usbfs" when a program claimed it; empty for none.
    std::string InterfaceDriver;
    std::vector<TPortHolder> Holders;  // processes with its USB device node open
    std::vector<TPortHolder> Brltty;   // running brltty processes, which may have let it go again

    bool operator==(const TTtylessAdapter&) const = default;
};

// Every USB serial adapter without a tty, in sysfs name order. A tree that cannot be read gives
// none; never throws for what it finds.
std::vector<TTtylessAdapter> FindTtylessAdapters(const std::filesystem::path& root = "/");

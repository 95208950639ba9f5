#include "serial/ttyless_adapter.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "serial/port_discovery.h"

namespace fs = std::filesystem;

namespace {

struct TKnownAdapter {
    const char* VendorId;
    const char* ProductId;
    const char* Chip;
    const char* Module;
};

// Adapters with a vendor protocol of their own, met on loggers' cables.
constexpr std::array<TKnownAdapter, 7> KnownAdapters{{
    {"1a86", "7523", "CH340", "ch341"},
    {"1a86", "7522", "CH340", "ch341"},
    {"1a86", "5523", "CH341", "ch341"},
    {"10c4", "ea60", "CP210x", "cp210x"},
    {"10c4", "ea70", "CP210x", "cp210x"},
    {"10c4", "ea71", "CP210x", "cp210x"},
    {"067b", "2303", "PL2303", "pl2303"},
}};

std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string value;
    std::getline(in, value);
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    return value;
}

std::string LinkName(const fs::path& link) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(link, ec);
    return ec ? std::string() : target.filename().string();
}

// A tty made for the interface: "ttyUSB0" (USB serial drivers) or "tty/ttyACM0" (CDC ACM).
bool HasTty(const fs::path& interfaceDir) {
    std::error_code ec;
    for (fs::directory_iterator it(interfaceDir, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().filename().string().rfind("tty", 0) == 0) return true;
    return false;
}

std::vector<fs::path> InterfacesOf(const fs::path& devices, const std::string& device) {
    std::vector<fs::path> interfaces;
    std::error_code ec;
    for (fs::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(device + ":", 0) == 0) interfaces.push_back(it->path());
    }
    std::sort(interfaces.begin(), interfaces.end());
    return interfaces;
}

std::string UsbNode(const fs::path& deviceDir) {
    const std::string bus = ReadAttribute(deviceDir / "busnum");
    const std::string dev = ReadAttribute(deviceDir / "devnum");
    if (bus.empty() || dev.empty()) return {};
    char node[64];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", std::atoi(bus.c_str()), std::atoi(dev.c_str()));
    return node;
}

}  // namespace

std::vector<TTtylessAdapter> FindTtylessAdapters(const fs::path& root) {
    const fs::path devices = root / "sys/bus/usb/devices";
    const fs::path proc = root / "proc";
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find(':') == std::string::npos) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), port_discovery::NaturalLess);

    std::vector<TTtylessAdapter> found;
    std::vector<TPortHolder> brltty;
    bool brlttyRead = false;
    for (const std::string& name : names) {
        const fs::path dir = devices / name;
        TTtylessAdapter a;
        a.UsbPath = name;
        a.VendorId = ReadAttribute(dir / "idVendor");
        a.ProductId = ReadAttribute(dir / "idProduct");
        if (a.VendorId.empty()) continue;
        const std::vector<fs::path> interfaces = InterfacesOf(devices, name);
        if (std::any_of(interfaces.begin(), interfaces.end(), HasTty)) continue;
        const auto known = std::find_if(KnownAdapters.begin(), KnownAdapters.end(), [&](const TKnownAdapter& k) {
            return a.VendorId == k.VendorId && a.ProductId == k.ProductId;
        });
        fs::path serialInterface;
        if (known != KnownAdapters.end()) {
            a.Chip = known->Chip;
            a.Module = known->Module;
            if (!interfaces.empty()) serialInterface = interfaces.front();
        } else {
            // A standard USB modem-class device with its control interface (class 02, subclass 02).
            for (const fs::path& i : interfaces) {
                if (ReadAttribute(i / "bInterfaceClass") == "02" && ReadAttribute(i / "bInterfaceSubClass") == "02") {
                    serialInterface = i;
                    a.Module = "cdc_acm";
                    break;
                }
            }
            if (a.Module.empty()) continue;
        }
        a.Product = ReadAttribute(dir / "product");
        if (!serialInterface.empty()) a.InterfaceDriver = LinkName(serialInterface / "driver");
        if (const std::string node = UsbNode(dir); !node.empty()) a.Holders = DeviceHolders(node, proc);
        if (!brlttyRead) {
            brltty = ProcessesNamed("brltty", proc);
            brlttyRead = true;
        }
        a.Brltty = brltty;
        found.push_back(a);
    }
    return found;
}

#include "serial/port_discovery.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "base/errors.h"

namespace port_discovery {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsVcpTty(const std::string& name) { return name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0; }

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t ie = i, je = j;
            while (ie < a.size() && IsDigit(a[ie])) ++ie;
            while (je < b.size() && IsDigit(b[je])) ++je;
            // Compare the values without leading zeros: longer means larger, then digit by digit.
            std::size_t is = i, js = j;
            while (is + 1 < ie && a[is] == '0') ++is;
            while (js + 1 < je && b[js] == '0') ++js;
            const std::string_view da(a.data() + is, ie - is), db(b.data() + js, je - js);
            if (da.size() != db.size()) return da.size() < db.size();
            if (da != db) return da < db;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
        }
    }
    if ((a.size() - i) != (b.size() - j)) return (a.size() - i) < (b.size() - j);
    return a < b;  // equal by value ("ttyS01" and "ttyS1"): any fixed order will do
}

DeviceMap ReadTtyDeviceMap(const std::filesystem::path& ttyClassDir) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<std::string> ttys;
    fs::directory_iterator it(ttyClassDir, ec);
    if (ec) return {};
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return {};
        // A tty backed by hardware (or a USB function) has a `device` link; virtual consoles and
        // pseudo-terminals have none. The link is only tested for presence, not followed.
        std::error_code linkEc;
        const auto status = fs::symlink_status(it->path() / "device", linkEc);
        if (!linkEc && status.type() != fs::file_type::not_found) ttys.push_back(it->path().filename().string());
    }
    std::sort(ttys.begin(), ttys.end(), NaturalLess);

    DeviceMap map;
    int vcp = 0, serial = 0;
    for (const auto& tty : ttys) {
        const std::string name =
            IsVcpTty(tty) ? "\\Device\\VCP" + std::to_string(vcp++) : "\\Device\\Serial" + std::to_string(serial++);
        map.emplace_back(name, tty);
    }
    return map;
}

DeviceMap ReadDeviceMapFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    DeviceMap map;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto firstNonBlank = line.find_first_not_of(" \t");
        if (firstNonBlank == std::string::npos || line[firstNonBlank] == '#') continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos || eq == 0) {
            throw ERegistryError("Invalid data type for '" + line + "': line " + std::to_string(lineNo) + " of " +
                                 file.string() + " is not name=data");
        }
        std::string data = line.substr(eq + 1);
        if (const auto zero = data.find('\0'); zero != std::string::npos) data.resize(zero);
        map.emplace_back(line.substr(0, eq), std::move(data));
    }
    if (in.bad()) return {};  // a read error is an unreadable map
    return map;
}

}  // namespace port_discovery

void ListSerialPorts(std::vector<std::string>& list) {
    list.clear();
    const char* overrideFile = std::getenv("LORV304D_DEVICEMAP");
    const auto map = (overrideFile != nullptr && *overrideFile != '\0')
                         ? port_discovery::ReadDeviceMapFile(overrideFile)
                         : port_discovery::ReadTtyDeviceMap("/sys/class/tty");
    list.reserve(map.size());
    for (const auto& [name, data] : map) list.push_back(name + ":" + data);
}

void KeepVcpPorts(std::vector<std::string>& list) {
    std::erase_if(list, [](const std::string& entry) { return entry.find("VCP") == std::string::npos; });
}

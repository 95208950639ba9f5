#pragma once
// The list of serial ports present on this machine, and its filter to USB virtual COM ports.
//
// The system list is a device map of (value name, value data) pairs:
//  - normally built from /sys/class/tty: one pair per tty that has a `device` link behind it,
//    value name "\Device\VCP<k>" for ttyUSB* and ttyACM*, "\Device\Serial<k>" for the others
//    (k counts each kind from 0), value data the tty name ("ttyUSB0"), which opens as "\\.\ttyUSB0";
//    pairs come in ascending natural order of the tty name (ttyS2 before ttyS10);
//  - when the environment variable LORV304D_DEVICEMAP names a file, that file replaces the system
//    map (a testing and demo aid): one "name=data" pair per line, in file order; blank lines and
//    lines starting with '#' are skipped, a CR before the line end is dropped, the data is cut at
//    its first zero byte.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Empties `list`, then appends one entry "valueName:valueData" per pair of the device map, in map
// order. A map that cannot be read (missing or unreadable directory or file) leaves the list empty
// and reports nothing. A line of the override file that is not "name=data" (no '=', or an empty
// name) throws ERegistryError naming the file and the line; the list is then left empty.
void ListSerialPorts(std::vector<std::string>& list);

// Removes every entry that does not contain "VCP" (case-sensitive, anywhere in the entry: name
// and data together). The surviving entries keep their order.
void KeepVcpPorts(std::vector<std::string>& list);

namespace port_discovery {

using DeviceMap = std::vector<std::pair<std::string, std::string>>;

// The device map of a sysfs tty class directory (normally "/sys/class/tty"). Unreadable: empty.
DeviceMap ReadTtyDeviceMap(const std::filesystem::path& ttyClassDir);

// The device map of an override file. Unreadable: empty. Malformed line: ERegistryError.
DeviceMap ReadDeviceMapFile(const std::filesystem::path& file);

// Less-than of natural order: digit runs compare by value ("ttyS2" < "ttyS10").
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace port_discovery

// USB serial adapters without a tty, found in a fake sysfs and /proc tree, and their texts.
#include "serial/ttyless_adapter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/testing/temp_path.h"
#include "serial/ttyless_adapter_text.h"

namespace fs = std::filesystem;

namespace {

class FakeSystem : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(Devices()); }

    fs::path Devices() const { return fs::path(root_.Path()) / "sys/bus/usb/devices"; }

    static void Write(const fs::path& file, const std::string& value) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << value << "\n";
    }

    // A USB device at bus 1 with one interface "<name>:1.0"; `driver` empty for none, `tty` the
    // entry its driver made in the interface ("" for none).
    void Device(const std::string& name, const std::string& vid, const std::string& pid, int devnum,
                const std::string& driver, const std::string& tty, const std::string& interfaceClass = "ff") {
        const fs::path dir = Devices() / name;
        Write(dir / "idVendor", vid);
        Write(dir / "idProduct", pid);
        Write(dir / "busnum", "1");
        Write(dir / "devnum", std::to_string(devnum));
        const fs::path intf = Devices() / (name + ":1.0");
        Write(intf / "bInterfaceClass", interfaceClass);
        Write(intf / "bInterfaceSubClass", "02");
        if (!driver.empty()) fs::create_directory_symlink("../../../../bus/usb/drivers/" + driver, intf / "driver");
        if (!tty.empty()) fs::create_directories(intf / tty);
    }

    // A process named `program` with `node` open as its file descriptor 4 (none when empty).
    void Process(int pid, const std::string& program, const std::string& node) {
        const fs::path dir = fs::path(root_.Path()) / "proc" / std::to_string(pid);
        Write(dir / "comm", program);
        fs::create_directories(dir / "fd");
        if (!node.empty()) fs::create_symlink(node, dir / "fd/4");
    }

    std::vector<TTtylessAdapter> Find() const { return FindTtylessAdapters(root_.Path()); }

    TTempPath root_{"lorv304d_sysfs_"};
};

TEST_F(FakeSystem, OnlyAdaptersWithoutATtyAreNamedInSysfsOrder) {
    Device("1-10", "10c4", "ea60", 7, "", "");
    Device("1-2", "1a86", "7523", 5, "ch341", "");
    Device("1-3", "1a86", "7523", 6, "ch341", "ttyUSB0");       // has its port
    Device("1-4", "046d", "c52b", 8, "usbhid", "");             // not a serial adapter
    Device("1-5", "1234", "5678", 9, "", "", "02");             // a standard modem-class device
    Device("1-6", "1234", "5679", 10, "cdc_acm", "tty", "02");  // ... that has its ttyACM
    const auto found = Find();
    ASSERT_EQ(3u, found.size());
    EXPECT_EQ("1-2", found[0].UsbPath);
    EXPECT_EQ("CH340", found[0].Chip);
    EXPECT_EQ("ch341", found[0].InterfaceDriver);
    EXPECT_EQ("1-5", found[1].UsbPath);
    EXPECT_EQ("cdc_acm", found[1].Module);
    EXPECT_EQ("1-10", found[2].UsbPath);
    EXPECT_EQ("cp210x", found[2].Module);
    EXPECT_EQ("", found[2].InterfaceDriver);
}

TEST_F(FakeSystem, NoTreeAndNoAdapterGiveNothing) {
    EXPECT_TRUE(FindTtylessAdapters(fs::path(root_.Path()) / "missing").empty());
    EXPECT_TRUE(Find().empty());
}

TEST_F(FakeSystem, TheProgramHoldingTheUsbNodeIsNamedWithItsFix) {
    Device("1-2", "1a86", "7523", 5, "usbfs", "");
    Device("1-3", "10c4", "ea60", 12, "usbfs", "");
    Device("1-4", "067b", "2303", 13, "usbfs", "");
    Process(812, "brltty", "/dev/bus/usb/001/005");
    Process(900, "ModemManager", "/dev/bus/usb/001/012");
    Process(950, "bash", "/dev/pts/0");
    const auto found = Find();
    ASSERT_EQ(3u, found.size());
    ASSERT_EQ(1u, found[0].Holders.size());
    EXPECT_EQ(812, found[0].Holders[0].Pid);
    EXPECT_EQ(
        "USB serial adapter CH340 (USB ID 1a86:7523) at 1-2 has no serial port: the braille display driver brltty "
        "(PID 812) has taken it. If no braille display is used here, remove it with \"sudo apt remove brltty\" (or "
        "keep it off with \"sudo systemctl mask brltty-udev.service brltty.service\"), then unplug the adapter and "
        "plug it in again.",
        TtylessAdapterText(found[0]));
    EXPECT_NE(std::string::npos, TtylessAdapterText(found[1]).find("ModemManager (PID 900) is looking at it"));
    // Claimed over the bus by a program that cannot be seen, while brltty runs: brltty is named.
    EXPECT_NE(std::string::npos, TtylessAdapterText(found[2]).find("brltty (PID 812) has taken it"));
}

TEST_F(FakeSystem, AnUnboundAdapterBlamesARunningBrlttyOrElseTheMissingDriver) {
    Device("1-2", "10c4", "ea60", 5, "", "");
    std::ofstream(Devices() / "1-2/product") << "CP2102 USB to UART\n";
    EXPECT_EQ(
        "USB serial adapter CP210x (USB ID 10c4:ea60, \"CP2102 USB to UART\") at 1-2 has no serial port: no driver "
        "is bound to it: load the driver with \"sudo modprobe cp210x\", then unplug the adapter and plug it in again.",
        TtylessAdapterText(Find().at(0)));
    Process(77, "brltty", "");
    EXPECT_NE(std::string::npos, TtylessAdapterText(Find().at(0)).find("brltty (PID 77) has taken it"));
}

}  // namespace

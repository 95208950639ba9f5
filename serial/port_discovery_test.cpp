#include "serial/port_discovery.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"

namespace fs = std::filesystem;
using Entries = std::vector<std::string>;

namespace {

// A scratch directory removed at the end of the test, and LORV304D_DEVICEMAP restored.
class DiscoveryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("lorv_discovery_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        if (const char* old = std::getenv("LORV304D_DEVICEMAP")) saved_ = old;
    }
    void TearDown() override {
        if (saved_) {
            ::setenv("LORV304D_DEVICEMAP", saved_->c_str(), 1);
        } else {
            ::unsetenv("LORV304D_DEVICEMAP");
        }
        fs::remove_all(dir_);
    }
    // Writes a device-map file and points LORV304D_DEVICEMAP at it.
    fs::path UseMapFile(const std::string& content) {
        const fs::path file = dir_ / "devicemap.txt";
        std::ofstream(file, std::ios::binary) << content;
        ::setenv("LORV304D_DEVICEMAP", file.c_str(), 1);
        return file;
    }
    // A fake tty class directory entry, with or without a `device` link.
    void AddTty(const std::string& name, bool withDevice) {
        fs::create_directories(dir_ / "tty" / name);
        if (withDevice) fs::create_directory_symlink("../../devices/" + name, dir_ / "tty" / name / "device");
    }

    fs::path dir_;
    std::optional<std::string> saved_;
};

TEST_F(DiscoveryTest, OverrideFileGivesEntriesInFileOrder) {
    UseMapFile("\\Device\\VCP2=pts/7\n\\Device\\Serial0=ttyS0\n\\Device\\VCP0=ttyUSB0\n\\Device\\VCP1=ttyACM3\n");
    Entries list;
    ListSerialPorts(list);
    EXPECT_EQ(list, (Entries{"\\Device\\VCP2:pts/7", "\\Device\\Serial0:ttyS0", "\\Device\\VCP0:ttyUSB0",
                             "\\Device\\VCP1:ttyACM3"}));
    KeepVcpPorts(list);
    EXPECT_EQ(list, (Entries{"\\Device\\VCP2:pts/7", "\\Device\\VCP0:ttyUSB0", "\\Device\\VCP1:ttyACM3"}));
}

TEST_F(DiscoveryTest, OverrideFileSkipsBlankAndCommentLinesAndCutsLineEnds) {
    UseMapFile("# made by a test\r\n\r\n   \n\\Device\\VCP0=pts/1\r\nname=with=equals\nempty=\n" +
               std::string("cut=abc\0def\n", 12));
    Entries list;
    ListSerialPorts(list);
    EXPECT_EQ(list, (Entries{"\\Device\\VCP0:pts/1", "name:with=equals", "empty:", "cut:abc"}));
}

TEST_F(DiscoveryTest, MissingEmptyOrUnreadableMapGivesEmptyList) {
    Entries list{"stale:entry"};
    ::setenv("LORV304D_DEVICEMAP", (dir_ / "no-such-file").c_str(), 1);
    ListSerialPorts(list);
    EXPECT_EQ(list, Entries{});

    list = {"stale:entry"};
    UseMapFile("");
    ListSerialPorts(list);
    EXPECT_EQ(list, Entries{});

    list = {"stale:entry"};
    ::setenv("LORV304D_DEVICEMAP", dir_.c_str(), 1);  // a directory cannot be read as a map
    ListSerialPorts(list);
    EXPECT_EQ(list, Entries{});

    EXPECT_EQ(port_discovery::ReadTtyDeviceMap(dir_ / "no-such-dir"), port_discovery::DeviceMap{});
}

TEST_F(DiscoveryTest, EachListingReplacesTheEarlierEntries) {
    UseMapFile("\\Device\\VCP0=ttyUSB0\n\\Device\\VCP1=ttyUSB1\n");
    Entries list;
    ListSerialPorts(list);
    ASSERT_EQ(list.size(), 2u);
    UseMapFile("\\Device\\VCP5=ttyUSB5\n");
    ListSerialPorts(list);
    EXPECT_EQ(list, Entries{"\\Device\\VCP5:ttyUSB5"});
}

TEST_F(DiscoveryTest, MalformedLineThrowsNamingFileAndLine) {
    const fs::path file = UseMapFile("\\Device\\VCP0=ttyUSB0\n\n\\Device\\VCP1 ttyUSB1\n");
    Entries list{"stale:entry"};
    try {
        ListSerialPorts(list);
        FAIL() << "no error for a line without '='";
    } catch (const ERegistryError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find(file.string()), std::string::npos) << text;
        EXPECT_NE(text.find("line 3"), std::string::npos) << text;
        EXPECT_NE(text.find("\\Device\\VCP1 ttyUSB1"), std::string::npos) << text;
    }
    EXPECT_EQ(list, Entries{});

    UseMapFile("=ttyUSB0\n");  // an empty value name is no value either
    EXPECT_THROW(ListSerialPorts(list), ERegistryError);
}

struct FilterRow {
    const char* name;
    Entries in, out;
};

class KeepVcpPortsTest : public ::testing::TestWithParam<FilterRow> {};

TEST_P(KeepVcpPortsTest, KeepsOnlyEntriesContainingVcp) {
    Entries list = GetParam().in;
    KeepVcpPorts(list);
    EXPECT_EQ(list, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, KeepVcpPortsTest,
    ::testing::Values(FilterRow{"Empty", {}, {}},
                      FilterRow{"OtherDriversRemoved",
                                {"\\Device\\Serial0:ttyS0", "\\Device\\VCP0:ttyUSB0", "\\Device\\Modem:ttyS1"},
                                {"\\Device\\VCP0:ttyUSB0"}},
                      FilterRow{"LowerCaseDoesNotCount", {"\\Device\\vcp0:ttyUSB0", "\\Device\\Vcp1:x"}, {}},
                      FilterRow{"VcpInPortNameSurvives", {"\\Device\\Serial3:VCP7"}, {"\\Device\\Serial3:VCP7"}},
                      FilterRow{"OrderAndDuplicatesKept",
                                {"A:VCP-a", "x:y", "B:VCP-b", "C:VCP-c", "B:VCP-b"},
                                {"A:VCP-a", "B:VCP-b", "C:VCP-c", "B:VCP-b"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DiscoveryTest, SystemMapListsTtysWithDevicesInNaturalOrder) {
    for (const char* tty : {"ttyS10", "ttyUSB1", "ttyS2", "ttyACM0", "ttyUSB0", "ttyS0", "ttyUSB10", "ttyUSB2"}) {
        AddTty(tty, true);
    }
    for (const char* tty : {"tty0", "ptmx", "console", "ttyS3"}) AddTty(tty, false);

    const port_discovery::DeviceMap expected{
        {"\\Device\\VCP0", "ttyACM0"},   {"\\Device\\Serial0", "ttyS0"}, {"\\Device\\Serial1", "ttyS2"},
        {"\\Device\\Serial2", "ttyS10"}, {"\\Device\\VCP1", "ttyUSB0"},  {"\\Device\\VCP2", "ttyUSB1"},
        {"\\Device\\VCP3", "ttyUSB2"},   {"\\Device\\VCP4", "ttyUSB10"},
    };
    EXPECT_EQ(port_discovery::ReadTtyDeviceMap(dir_ / "tty"), expected);
}

TEST(NaturalLessTest, DigitRunsCompareByValue) {
    using port_discovery::NaturalLess;
    EXPECT_TRUE(NaturalLess("ttyS2", "ttyS10"));
    EXPECT_FALSE(NaturalLess("ttyS10", "ttyS2"));
    EXPECT_TRUE(NaturalLess("ttyS9", "ttyUSB0"));
    EXPECT_TRUE(NaturalLess("ttyUSB", "ttyUSB0"));
    EXPECT_TRUE(NaturalLess("a2b3", "a2b10"));
    EXPECT_TRUE(NaturalLess("a007", "a8"));
    EXPECT_FALSE(NaturalLess("ttyS1", "ttyS1"));
    // Equal by value but different texts: a strict order, never both ways.
    EXPECT_NE(NaturalLess("ttyS01", "ttyS1"), NaturalLess("ttyS1", "ttyS01"));
}

}  // namespace

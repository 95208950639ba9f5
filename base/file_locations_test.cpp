#include "base/file_locations.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>

#include "base/testing/unprivileged_child.h"

namespace {

namespace fs = std::filesystem;

// How the program's folder looks.
enum class TLayout {
    BuildFolder,         // <dir>/app/lorv304d in a writable folder
    Installed,           // <dir>/bin/lorv304d with <dir>/share/lorv304d
    InstalledIniBeside,  // the same with <dir>/bin/lorv304d.INI already there
    ReadOnlyFolder,      // <dir>/app/lorv304d in a folder this user cannot write (checked as non-root)
};

enum class TWhere { Beside, XdgConfig, HomeConfig };

struct TLocationCase {
    const char* Name;
    TLayout Layout;
    const char* Xdg;   // "@" stands for an absolute folder of the test
    const char* Home;  // the same
    TWhere Where;
};

std::ostream& operator<<(std::ostream& os, const TLocationCase& row) { return os << row.Name; }

class SettingsLocation : public ::testing::TestWithParam<TLocationCase> {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("lorv_loc_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // The unprivileged child must be able to look inside.
        fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    }
    void TearDown() override {
        std::error_code ec;
        for (const auto& entry : fs::recursive_directory_iterator(dir_, ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    std::string Folder(const char* text) const {
        return std::string(text) == "@" ? (dir_ / "home").string() : std::string(text);
    }
    fs::path dir_;
};

TEST_P(SettingsLocation, FollowsTheFolderOfTheExecutable) {
    const TLocationCase& row = GetParam();
    const bool installed = row.Layout == TLayout::Installed || row.Layout == TLayout::InstalledIniBeside;
    const fs::path bin = dir_ / (installed ? "bin" : "app");
    fs::create_directories(bin);
    const std::string exe = (bin / "lorv304d").string();
    if (installed) fs::create_directories(dir_ / "share" / "lorv304d");
    if (row.Layout == TLayout::InstalledIniBeside) std::ofstream(bin / "lorv304d.INI") << "[Form]\n";

    const TUserFolders folders{Folder(row.Xdg), Folder(row.Home)};
    std::string found;
    if (row.Layout == TLayout::ReadOnlyFolder) {
        ::chmod(bin.c_str(), 0555);
        found = RunInUnprivilegedChild([&] { return SettingsLocationFor(exe, folders); });
    } else {
        found = SettingsLocationFor(exe, folders);
    }

    const std::string home = (dir_ / "home").string();
    const std::string expected = row.Where == TWhere::Beside      ? (bin / "lorv304d.INI").string()
                                 : row.Where == TWhere::XdgConfig ? home + "/lorv304d/lorv304d.INI"
                                                                  : home + "/.config/lorv304d/lorv304d.INI";
    EXPECT_EQ(expected, found);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsLocation,
    ::testing::Values(
        TLocationCase{"BuildFolderKeepsItBeside", TLayout::BuildFolder, "@", "@", TWhere::Beside},
        TLocationCase{"InstalledUsesXdgConfigHome", TLayout::Installed, "@", "/nonexistent", TWhere::XdgConfig},
        TLocationCase{"InstalledWithoutXdgUsesHomeConfig", TLayout::Installed, "", "@", TWhere::HomeConfig},
        TLocationCase{"RelativeXdgIsIgnored", TLayout::Installed, "relative/config", "@", TWhere::HomeConfig},
        TLocationCase{"InstalledWithNoHomeAtAllStaysBeside", TLayout::Installed, "", "", TWhere::Beside},
        TLocationCase{"AFileBesideAlwaysWins", TLayout::InstalledIniBeside, "@", "@", TWhere::Beside},
        TLocationCase{"ReadOnlyFolderUsesXdgConfigHome", TLayout::ReadOnlyFolder, "@", "/nonexistent",
                      TWhere::XdgConfig}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(FileLocations, DataFolderAndValueFontAreFoundFromTheExecutable) {
    EXPECT_EQ("/usr/share/lorv304d", DataFolderFor("/usr/bin/lorv304d"));
    EXPECT_EQ("/opt/x/share/lorv304d", DataFolderFor("/opt/x/bin/../bin/lorv304d"));

    const fs::path dir = fs::temp_directory_path() / ("lorv_font_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "bin");
    const std::string exe = (dir / "bin" / "lorv304d").string();
    EXPECT_EQ("", ValueFontFileFor(exe)) << "neither: found by family name";
    fs::create_directories(dir / "share" / "lorv304d");
    std::ofstream(dir / "share" / "lorv304d" / "Cousine.TTF") << "font";
    EXPECT_EQ((dir / "share" / "lorv304d" / "Cousine.TTF").string(), ValueFontFileFor(exe));
    std::ofstream(dir / "bin" / "Cousine.TTF") << "font";
    EXPECT_EQ((dir / "bin" / "Cousine.TTF").string(), ValueFontFileFor(exe)) << "beside the executable first";
    fs::remove_all(dir);
}

TEST(FileLocations, MakeParentFoldersCreatesPrivateFoldersOnce) {
    const fs::path dir = fs::temp_directory_path() / ("lorv_mkdir_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const std::string file = (dir / "config" / "lorv304d" / "lorv304d.INI").string();
    MakeParentFolders(file);
    MakeParentFolders(file);
    ASSERT_TRUE(fs::is_directory(dir / "config" / "lorv304d"));
    EXPECT_EQ(fs::perms::owner_all, fs::status(dir / "config" / "lorv304d").permissions() & fs::perms::all);
    EXPECT_FALSE(fs::exists(file));
    fs::remove_all(dir);
}

}  // namespace

#include "base/file_locations.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/profile_file.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kFontFile = "Cousine.TTF";

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool IsFolder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

}  // namespace

TUserFolders TUserFolders::FromProcess() {
    TUserFolders folders;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) folders.XdgConfigHome = xdg;
    if (const char* home = std::getenv("HOME"); home && *home) {
        folders.Home = home;
    } else if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir) {
        folders.Home = pw->pw_dir;
    }
    return folders;
}

std::string DataFolderFor(const std::string& executablePath) {
    return (fs::path(executablePath).parent_path() / ".." / "share" / "lorv304d").lexically_normal().string();
}

std::string SettingsLocationFor(const std::string& executablePath, const TUserFolders& folders) {
    const std::string beside = SettingsPathFor(executablePath);
    if (Exists(beside)) return beside;
    const fs::path folder = fs::path(executablePath).parent_path();
    // root may write anywhere: a system folder is told apart by the data folder installed with it.
    if (::access(folder.c_str(), W_OK) == 0 && !IsFolder(DataFolderFor(executablePath))) return beside;

    fs::path config;
    if (fs::path(folders.XdgConfigHome).is_absolute())
        config = folders.XdgConfigHome;
    else if (!folders.Home.empty())
        config = fs::path(folders.Home) / ".config";
    else
        return beside;
    return (config / "lorv304d" / "lorv304d.INI").string();
}

void MakeParentFolders(const std::string& filePath) {
    const fs::path parent = fs::path(filePath).parent_path();
    fs::path partial;
    for (const fs::path& part : parent) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return;
    }
}

std::string ValueFontFileFor(const std::string& executablePath) {
    for (const fs::path& candidate :
         {fs::path(executablePath).parent_path() / kFontFile, fs::path(DataFolderFor(executablePath)) / kFontFile}) {
        if (Exists(candidate)) return candidate.string();
    }
    return {};
}

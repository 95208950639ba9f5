#include "archive/archive_location.h"

#include <cstdlib>

#include "base/file_locations.h"

namespace archive {

TArchiveEnvironment TArchiveEnvironment::FromProcess() {
    TArchiveEnvironment environment;
    if (const char* path = std::getenv("LORV304D_ARCHIVE")) environment.ArchiveVariable = path;
    if (const char* xdg = std::getenv("XDG_DATA_HOME")) environment.XdgDataHome = xdg;
    environment.Home = TUserFolders::FromProcess().Home;
    return environment;
}

std::string DefaultArchivePath(const TArchiveEnvironment& environment) {
    if (!environment.ArchiveVariable.empty()) return environment.ArchiveVariable;
    std::string data;
    if (!environment.XdgDataHome.empty() && environment.XdgDataHome.front() == '/') {
        data = environment.XdgDataHome;
    } else if (!environment.Home.empty()) {
        data = environment.Home + "/.local/share";
    } else {
        return {};
    }
    return data + "/lorv304d/archive.sqlite3";
}

}  // namespace archive

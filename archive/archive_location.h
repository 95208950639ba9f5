#pragma once
// Where the archive file lives.
#include <string>

namespace archive {

struct TArchiveEnvironment {
    std::string ArchiveVariable;  // $LORV304D_ARCHIVE
    std::string XdgDataHome;      // $XDG_DATA_HOME; empty or relative counts as not set
    std::string Home;             // $HOME, else the user database's home folder

    static TArchiveEnvironment FromProcess();
};

// $LORV304D_ARCHIVE when set and not empty; else <data>/lorv304d/archive.sqlite3, where <data> is
// XdgDataHome when absolute, else Home + "/.local/share". Empty when nothing gives a folder.
std::string DefaultArchivePath(const TArchiveEnvironment& environment);

}  // namespace archive

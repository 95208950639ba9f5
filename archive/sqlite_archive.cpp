#include "archive/sqlite_archive.h"

#include "archive/archive_error.h"

namespace archive {

std::unique_ptr<TArchive> OpenSqliteArchive(const std::string& path) {
    throw EArchiveError(TArchiveErrorKind::Other, path, "not implemented yet");
}

}  // namespace archive

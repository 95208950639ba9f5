#pragma once
// The archive in one SQLite file (the schema and the hash rule are in README.md).
//
// WAL journal, a busy time-out of BusyTimeoutMs for other programs' writes, synchronous=NORMAL
// (a committed transaction survives the program being killed at any moment). Several programs may
// open one file at once.
#include <memory>
#include <string>

#include "archive/archive.h"

namespace archive {

inline constexpr int BusyTimeoutMs = 5000;

// Opens the archive at `path`, making a new one (and its missing folders, mode 0700) when no file
// is there. A file that is not a sound archive of this program is never written, truncated or
// repaired: the open fails with NotADatabase or Damaged. A write waits up to `busyTimeoutMs` for
// another program's write, then fails with Locked. Throws EArchiveError.
std::unique_ptr<TArchive> OpenSqliteArchive(const std::string& path, int busyTimeoutMs = BusyTimeoutMs);

}  // namespace archive

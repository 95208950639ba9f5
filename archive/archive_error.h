#pragma once
// The one error the archive throws. It carries what went wrong as a kind and the database's own
// message; the window and the command line make their texts from them.
#include <stdexcept>
#include <string>

namespace archive {

enum class TArchiveErrorKind {
    NotADatabase,  // the file is no database of this kind (left untouched)
    Damaged,       // a database, but malformed, or not an archive of this program (left untouched)
    ReadOnly,      // the file or its folder cannot be written
    DiskFull,      // no room left for the file or its journal
    Locked,        // another program held it longer than the busy time-out
    Other,         // anything else (cannot open the path, out of memory, ...)
};

class EArchiveError : public std::runtime_error {
  public:
    // `message`: the database's message, e.g. "file is not a database".
    EArchiveError(TArchiveErrorKind kind, std::string path, const std::string& message)
        : std::runtime_error(message), kind_(kind), path_(std::move(path)) {}
    TArchiveErrorKind Kind() const { return kind_; }
    const std::string& Path() const { return path_; }
    std::string Message() const { return what(); }

  private:
    TArchiveErrorKind kind_;
    std::string path_;
};

}  // namespace archive

#pragma once
// TDownloadArchiving: one download of the window and its archive, opened for it and released with
// this object. The archive layer's TDownloadArchiver keeps a failing archive from costing the download;
// this adds what the window's message after the download needs: whether the recording was known
// at all, and how many of the readings stored went into the archive.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/download_archiver.h"

class TDownloadArchiving {
  public:
    // Opens the archive at `path` and begins the download of `key` there. Without a key (the
    // recording is not known) nothing is opened. An empty path (no folder for the archive) or an
    // archive that does not open is kept as the failure.
    TDownloadArchiving(const std::string& path, std::optional<archive::TRecordingKey> key,
                       const archive::TDownloadInfo& info);

    // The readings a chunk stored; after a failure they are only counted.
    void Chunk(const std::vector<TStoredReading>& readings);
    // Records the download's end.
    void Finish(const TDownloadReport& report, const archive::TActor& actor);

    bool RecordingKnown() const { return archiver_.has_value(); }
    // Why the archive could not be used; none while it could (or was not to be used).
    std::optional<archive::EArchiveError> Failure() const;
    std::int64_t Offered() const { return offered_; }  // readings the chunks stored
    std::int64_t Archived() const;                     // of those, committed to the archive

  private:
    std::unique_ptr<archive::TArchive> store_;
    std::optional<archive::TDownloadArchiver> archiver_;
    std::int64_t offered_ = 0;
};

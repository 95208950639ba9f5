#pragma once
// TDownloadArchiver: one download of the window kept in the archive as it runs, chunk by chunk.
//
// The archive never costs the download: a failure to open or write it is kept (Failure()) and
// ends the archiving, while the download goes on and its readings still reach the panel and
// "data.log". Each chunk is one transaction, so what was committed before a failure stays.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/archive_error.h"
#include "archive/download_record.h"
#include "logger/download_report.h"
#include "logger/stored_reading.h"

class TDownloadArchiver {
  public:
    // Opens the archive at `path` and begins the download record of `key` there. Without a key
    // (the recording is not known) nothing is opened and nothing archived. An empty path means no
    // folder could be found for the archive: a failure like any other.
    TDownloadArchiver(const std::string& path, std::optional<archive::TRecordingKey> key,
                      const archive::TDownloadInfo& info);

    // Adds the readings a chunk stored (one transaction). After a failure it only counts them.
    void AddChunk(const std::vector<TStoredReading>& readings);
    // Records the end of the download with its report.
    void Finish(const TDownloadReport& report, const archive::TActor& actor);

    bool RecordingKnown() const { return known_; }
    // Why the archive could not be used; none while it could.
    const std::optional<archive::EArchiveError>& Failure() const { return failure_; }
    std::int64_t Offered() const { return offered_; }    // readings handed to AddChunk
    std::int64_t Archived() const { return archived_; }  // of those, committed to the archive

  private:
    template <class F>
    void Try(F&& action);

    std::string path_;
    bool known_ = false;
    std::unique_ptr<archive::TArchive> archive_;  // null once failed
    std::int64_t downloadId_ = 0;
    std::optional<archive::EArchiveError> failure_;
    std::int64_t offered_ = 0;
    std::int64_t archived_ = 0;
};

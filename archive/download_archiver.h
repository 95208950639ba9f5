#pragma once
// Archives one download as it runs, chunk by chunk, without ever costing the download: the first
// failure of the archive is kept and archiving stops there; the download goes on and its readings
// still go wherever else they go. The caller tells the user afterwards (Failure()).
#include <cstdint>
#include <optional>
#include <vector>

#include "archive/archive.h"
#include "archive/archive_error.h"

namespace archive {

class TDownloadArchiver {
  public:
    // `archive` may be null when it could not be opened; `openFailure` then says why.
    TDownloadArchiver(TArchive* archive, std::optional<EArchiveError> openFailure = std::nullopt);

    // Records the download's start. Call before the first chunk.
    void Begin(const TRecordingKey& key, const TDownloadInfo& info);
    // One chunk of stored readings (TLoggerHost::ChunkStored).
    void Chunk(const std::vector<TStoredReading>& readings);
    // The download's report, once it ended.
    void Finish(const TDownloadReport& report, const TActor& actor);

    // Whether every chunk so far and the start (and the end, once finished) went into the archive.
    bool Archived() const { return !failure_ && begun_; }
    const std::optional<EArchiveError>& Failure() const { return failure_; }
    // What the chunks did to the archive, summed.
    const TChunkResult& Totals() const { return totals_; }
    std::optional<std::int64_t> DownloadId() const { return downloadId_; }

  private:
    template <class Step>
    void Try(Step step);

    TArchive* archive_;
    std::optional<EArchiveError> failure_;
    std::optional<std::int64_t> downloadId_;
    bool begun_ = false;
    TChunkResult totals_;
};

}  // namespace archive

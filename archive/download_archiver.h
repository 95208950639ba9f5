#pragma once
// Archives one download as it runs without ever costing the download: the first failure of the
// archive is kept and archiving stops there; the download goes on and its readings still go
// wherever else they go. The caller tells the user afterwards (Failure()).
//
// Chunks are gathered and committed together, so that a fast download does not pay for one
// transaction per 24 readings: the chunks held are committed (one transaction) with the first
// chunk that comes once the oldest of them is MaxDelayMs old, or once they hold MaxReadings
// readings, and always by Finish() and by the destructor. Over a serial line that is every chunk
// or two. A program killed at any moment leaves a sound archive with every reading committed so
// far; it loses only the readings not yet committed (those of the last MaxDelayMs, and any held
// while the logger stopped answering), which the logger still holds for the next download.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "archive/archive.h"
#include "archive/archive_error.h"

namespace archive {

class TDownloadArchiver {
  public:
    static constexpr std::int64_t MaxDelayMs = 200;
    static constexpr std::size_t MaxReadings = 10000;

    // `archive` may be null when it could not be opened; `openFailure` then says why.
    // `monotonicMs` is the clock of the commit rule (default the steady clock).
    TDownloadArchiver(TArchive* archive, std::optional<EArchiveError> openFailure = std::nullopt,
                      std::function<std::int64_t()> monotonicMs = nullptr);
    // Commits the chunks held (a download the caller gave up still keeps what came).
    ~TDownloadArchiver();
    TDownloadArchiver(const TDownloadArchiver&) = delete;
    TDownloadArchiver& operator=(const TDownloadArchiver&) = delete;

    // Records the download's start. Call before the first chunk.
    void Begin(const TRecordingKey& key, const TDownloadInfo& info);
    // One chunk of stored readings (TLoggerHost::ChunkStored); committed by the rule above.
    void Chunk(const std::vector<TStoredReading>& readings);
    // Commits the chunks held now. Call before reading the archive in the middle of a download.
    void Commit();
    // Commits what is held and records the download's report, once it ended.
    void Finish(const TDownloadReport& report, const TActor& actor);

    // Whether every chunk so far and the start (and the end, once finished) went into the archive.
    bool Archived() const { return !failure_ && begun_ && pending_.empty(); }
    const std::optional<EArchiveError>& Failure() const { return failure_; }
    // What the committed chunks did to the archive, summed.
    const TChunkResult& Totals() const { return totals_; }
    // Readings given to Chunk() and not yet committed.
    std::size_t Pending() const { return pending_.size(); }
    std::optional<std::int64_t> DownloadId() const { return downloadId_; }

  private:
    template <class Step>
    void Try(Step step);

    TArchive* archive_;
    std::optional<EArchiveError> failure_;
    std::function<std::int64_t()> monotonicMs_;
    std::optional<std::int64_t> downloadId_;
    bool begun_ = false;
    TChunkResult totals_;
    std::vector<TStoredReading> pending_;
    std::int64_t pendingSinceMs_ = 0;  // when the oldest chunk held came
};

}  // namespace archive

#pragma once
// The archive: every reading the program downloaded, merged by recording and index, every
// download and an append-only audit trail, each covered by a SHA-256 hash chain.
//
// TArchive is the storage interface; SQLite is its implementation (sqlite_archive.h). Every
// operation throws EArchiveError when the store cannot be read or written; a failed write leaves
// the archive as it was before that operation (each is one transaction). Rows are only ever
// added: nothing the program does edits or deletes a reading or an event.
//
// Merging, per recording and index ("held" is the reading the archive gives for an index):
//  - a reading equal (same line) to one already stored for the index adds nothing;
//  - nothing held yet: the reading is added and held;
//  - held damaged or off-time, the new one clean: added and held; a TReadingReplaced event;
//  - held clean, the new one clean with another line: added but not held; a TReadingConflict event;
//  - held clean, the new one damaged or off-time, or both not clean: nothing added.
// The held reading of an index is its first clean row, else its first row.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_event.h"
#include "archive/archived_reading.h"
#include "archive/download_record.h"
#include "archive/recording.h"
#include "archive/verify_result.h"
#include "data/line_store.h"
#include "logger/download_report.h"
#include "logger/stored_reading.h"

namespace archive {

class TArchive {
  public:
    virtual ~TArchive() = default;

    // The file or address the archive was opened from.
    virtual const std::string& Location() const = 0;

    // --- recordings ---
    // The recording's id, made when the archive has none of that key.
    virtual std::int64_t FindOrAddRecording(const TRecordingKey& key) = 0;
    virtual std::optional<std::int64_t> FindRecording(const TRecordingKey& key) = 0;

    // --- downloads, chunk by chunk ---
    // Records the start of a download of `key` (the recording is made when new); returns its id.
    // A download never finished shows as interrupted.
    virtual std::int64_t BeginDownload(const TRecordingKey& key, const TDownloadInfo& info) = 0;
    // Adds one chunk of stored readings in one transaction (merging as above). An empty chunk
    // does nothing.
    virtual TChunkResult AddReadings(std::int64_t downloadId, const std::vector<TStoredReading>& readings) = 0;
    // Ends the download with its report (appends the TDownloadEnded event).
    virtual void FinishDownload(std::int64_t downloadId, const TDownloadReport& report, const TActor& actor) = 0;

    // Readings that came from elsewhere (a data file), with the TReadingsImported event, all in
    // one transaction. `event.Added` is filled in here.
    virtual TChunkResult ImportReadings(const TRecordingKey& key, const std::vector<TStoredReading>& readings,
                                        const TActor& actor, TReadingsImported event) = 0;

    // Appends an event (start, erase, export, report; the others are appended by the operations
    // above). Returns its id.
    virtual std::int64_t AddEvent(const TActor& actor, std::optional<std::int64_t> recordingId,
                                  const TEventDetails& details) = 0;

    // --- queries ---
    virtual std::vector<TRecordingSummary> Recordings() = 0;
    virtual std::optional<TRecordingSummary> Recording(std::int64_t recordingId) = 0;
    // The held reading of every index, in index order.
    virtual std::vector<TArchivedReading> Readings(std::int64_t recordingId) = 0;
    // The held lines in index order: the lines of the data file a clean download of the same
    // readings writes (FinalLineEnd set), byte for byte.
    virtual TLineStore ReadingLines(std::int64_t recordingId) = 0;
    // Indices in [first, end) that the archive lacks or holds only damaged or off-time, as ranges
    // in ascending order. A recording not in the archive lacks all of them.
    virtual std::vector<TIndexRange> WantedIndices(const TRecordingKey& key, std::int64_t first, std::int64_t end) = 0;
    // How many of the indices 0 .. heldCount-1 the archive lacks (the readings an erase would lose).
    virtual std::int64_t UnarchivedCount(const TRecordingKey& key, std::int64_t heldCount) = 0;
    // Ranges of absent indices between the lowest and the highest held.
    virtual std::vector<TIndexRange> Gaps(std::int64_t recordingId) = 0;
    // Held damaged or off-time readings, in index order.
    virtual std::vector<TReadingIssue> DamagedReadings(std::int64_t recordingId) = 0;
    // Indices with a second clean reading of other content, in index order.
    virtual std::vector<TReadingIssue> Conflicts(std::int64_t recordingId) = 0;
    // The recording's downloads in the order begun.
    virtual std::vector<TDownloadRecord> Downloads(std::int64_t recordingId) = 0;
    // Events in the order appended; with a recording, only those that name it.
    virtual std::vector<TEvent> Events(std::optional<std::int64_t> recordingId = std::nullopt) = 0;

    // Checks every chain and every row's hash.
    virtual TVerifyResult Verify() = 0;
};

// The number of readings a logger holds by its status: indices 0 up to the reading at the earlier
// of its clock and its stop (a stop of 0 limits nothing). Absent without clock, start or interval.
std::optional<std::int64_t> HeldReadingCount(const TLoggerStatus& status);

}  // namespace archive

#pragma once
// A download as the archive keeps it: what was known when it began, and its report once ended.
#include <cstdint>
#include <optional>
#include <string>

#include "archive/archive_event.h"
#include "logger/download_report.h"
#include "logger/logger_status.h"

namespace archive {

struct TDownloadInfo {
    TActor Actor;            // when, where, who, which program
    std::string Port;        // the port the logger answered on
    TLoggerStatus Status;    // the status read before the download (clock, start, stop, interval,
                             // battery, "C?"); its clock offset is kept as ClockOffsetSeconds()
    TDownloadRange Range;    // the range asked for
};

struct TDownloadRecord {
    std::int64_t Id = 0;
    std::int64_t RecordingId = 0;
    TDownloadInfo Info;
    std::optional<std::int64_t> ClockOffsetSeconds;  // as kept when it began
    std::optional<TDownloadReport> Report;            // absent: never finished (interrupted)
    std::int64_t ReadingsAdded = 0;                   // reading rows its chunks added

    bool Interrupted() const { return !Report.has_value(); }
};

// What one chunk did to the archive.
struct TChunkResult {
    std::int64_t Added = 0;      // new indices
    std::int64_t Replaced = 0;   // damaged or off-time readings replaced by clean copies
    std::int64_t Conflicts = 0;  // clean readings that came again with other content (both kept)
    std::int64_t Unchanged = 0;  // readings already held (same content, or no better than held)
    bool operator==(const TChunkResult&) const = default;
};

}  // namespace archive

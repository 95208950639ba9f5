#pragma once
// The report's contents from a data file or from an archived recording.
#include <cstdint>
#include <optional>
#include <string>

#include "archive/archive.h"
#include "report/report_model.h"

namespace report {

struct TReportRequest {
    std::optional<TDateTime> From, To;  // both ends included; empty: open
    readings::TAlarmProfile Profile;    // the rules reported (the plain limits' profile if none)
    std::optional<std::int64_t> MktWindowSeconds;  // the rolling MKT's window; empty: none
    std::string Program;                // the program's name and version
};

// From the data file at `path`. Throws EFileError when it cannot be read.
TReportModel BuildFileReport(const std::string& path, const TReportRequest& request);

// From the recording `recordingId` of `store` (its downloads and a verify of the whole archive).
// Throws EArchiveError for a recording that is not there or a store that cannot be read.
TReportModel BuildRecordingReport(archive::TArchive& store, std::int64_t recordingId, const TReportRequest& request);

}  // namespace report

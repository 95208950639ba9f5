#pragma once
// The contents of a report as values: where the readings came from, how complete they are, their
// statistics, the profile's rules and the proof of their bytes. Built by report_source.h, laid
// out by report_document.h; every number here comes from the data layer's functions.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive/download_record.h"
#include "archive/recording.h"
#include "archive/verify_result.h"
#include "data/alarm_evaluation.h"
#include "data/alarm_profile.h"
#include "data/reading_record.h"
#include "data/reading_statistics.h"
#include "data/rolling_mkt.h"

namespace report {

// A range of readings that did not come: the times of the first and last missing one.
struct TMissingRange {
    TDateTime First = 0, Last = 0;
    std::int64_t Count = 0;
};

struct TCompleteness {
    std::optional<std::int64_t> Expected;  // from the start, the interval and the range; empty: unknown
    std::int64_t Present = 0;              // readings in the range (damaged ones not counted)
    std::int64_t Rerequested = 0;          // requests made again during the downloads
    std::int64_t Damaged = 0;              // kept damaged
    std::int64_t OffTime = 0;              // kept off their time
    std::int64_t NotReceived = 0;          // expected but absent
    std::vector<TMissingRange> Missing;    // where they are absent, in time order
    bool Complete() const { return Expected && Present == *Expected && Damaged == 0 && OffTime == 0 && NotReceived == 0; }
};

struct TReportModel {
    std::string Program;         // "lorv304d-cli 1.0"
    std::int64_t MadeUnix = 0;   // when the report was made (UTC seconds)
    std::int32_t MadeOffsetSeconds = 0;

    // A data file ...
    std::string FileName;
    std::string FileSha256Hex;
    // ... or an archived recording.
    std::optional<archive::TRecordingSummary> Recording;
    std::optional<TDateTime> RecordingStop;  // from the latest download's status; empty or 0: none
    std::vector<archive::TDownloadRecord> Downloads;
    std::optional<archive::TVerifyResult> Verify;

    std::string ZoneName;                 // the computer's time zone
    std::vector<std::int32_t> OffsetsUsed;  // the UTC offsets of the readings' times, ascending

    std::optional<TDateTime> From, To;    // the range asked; empty: open
    std::vector<readings::TReading> Readings;  // the readings of the range, in index order
    TCompleteness Completeness;
    readings::TReadingStatistics Statistics;
    readings::TAlarmProfile Profile;
    readings::TProfileResult ProfileResult;
    std::optional<readings::TRollingMkt> RollingMkt1, RollingMkt2;

    // SHA-256 of the readings' lines, each followed by CR LF, in index order: the bytes of the
    // same readings exported as a data file.
    std::string DataSha256Hex;
};

}  // namespace report

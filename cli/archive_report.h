#pragma once
// The archive as the command line prints it: the recordings as lines or JSON, one recording in
// detail, the findings of verify, and why the archive could not be used.
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/archive_error.h"

namespace cli {

// "not a database", "damaged or not an archive", "read-only", "disk full", "locked by another
// program" or "error".
std::string ArchiveErrorKindText(archive::TArchiveErrorKind kind);
// "<path>: <kind text> (<SQLite's message>)".
std::string ArchiveErrorText(const archive::EArchiveError& error);

// One line per recording, TAB-separated, after a header line: id, model, start, interval
// (hh:nn:ss), readings, first, last, last download (UTC), damaged, missing, conflicts, downloads.
std::string FormatRecordingsText(const std::vector<archive::TRecordingSummary>& recordings);
// One JSON array of {"id", "model", "start", "interval_s", "readings", "first", "last",
// "last_download", "damaged", "missing", "conflicts", "downloads"}; times as logger time texts
// (last_download in UTC, ISO 8601 with Z), null where none.
std::string FormatRecordingsJson(const std::vector<archive::TRecordingSummary>& recordings);

// Everything the archive holds about one recording: its summary, its downloads with their
// reports, its gaps, damaged and conflicting readings.
std::string FormatRecordingText(archive::TArchive& archive, const archive::TRecordingSummary& recording);

// "reading 12 altered" etc., one line per finding; conflicts of every recording, named as
// "conflict: recording 1 reading 7"; then "ok"/"altered" with the counts and the head.
std::string FormatVerifyText(const archive::TVerifyResult& result, archive::TArchive& archive);

}  // namespace cli

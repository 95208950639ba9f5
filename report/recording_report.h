#pragma once
// The report of an archived recording as one step: built, written, and entered in the archive's
// audit trail, so that no caller can write such a report without its event.
#include <cstdint>
#include <string>

#include "archive/archive.h"
#include "report/report_document.h"
#include "report/report_source.h"

namespace report {

// Builds the report of `recordingId` (BuildRecordingReport), writes it to `path` (WriteReportPdf)
// and appends a report event naming the recording, the range asked, the profile, the file and the
// PDF's SHA-256, made by this user and computer as request.Program. Returns that SHA-256 (hex).
// Nothing is entered when the PDF could not be written.
std::string WriteRecordingReport(archive::TArchive& store, std::int64_t recordingId, const TReportRequest& request,
                                 TLanguage language, const std::string& path);

}  // namespace report

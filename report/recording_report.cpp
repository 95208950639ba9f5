#include "report/recording_report.h"

#include "archive/archive_event.h"

namespace report {

std::string WriteRecordingReport(archive::TArchive& store, std::int64_t recordingId, const TReportRequest& request,
                                 TLanguage language, const std::string& path) {
    const TReportModel model = BuildRecordingReport(store, recordingId, request);
    archive::TReportMade made;
    made.From = request.From;
    made.To = request.To;
    made.Profile = request.Profile.Name;
    made.File = path;
    made.Sha256Hex = WriteReportPdf(model, language, path);
    store.AddEvent(archive::TActor::Current(request.Program), recordingId, made);
    return made.Sha256Hex;
}

}  // namespace report

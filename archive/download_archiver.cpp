#include "archive/download_archiver.h"

namespace archive {

TDownloadArchiver::TDownloadArchiver(TArchive* archive, std::optional<EArchiveError> openFailure)
    : archive_(archive), failure_(std::move(openFailure)) {
    if (!archive_ && !failure_) failure_ = EArchiveError(TArchiveErrorKind::Other, "", "no archive");
}

template <class Step>
void TDownloadArchiver::Try(Step step) {
    if (failure_) return;
    try {
        step();
    } catch (const EArchiveError& e) {
        failure_ = e;
    } catch (const std::exception& e) {
        // Anything else (out of memory) is the archive's failure too, never the download's.
        failure_ = EArchiveError(TArchiveErrorKind::Other, archive_->Location(), e.what());
    }
}

void TDownloadArchiver::Begin(const TRecordingKey& key, const TDownloadInfo& info) {
    Try([&] {
        downloadId_ = archive_->BeginDownload(key, info);
        begun_ = true;
    });
}

void TDownloadArchiver::Chunk(const std::vector<TStoredReading>& readings) {
    if (!begun_) return;
    Try([&] {
        const TChunkResult r = archive_->AddReadings(*downloadId_, readings);
        totals_.Added += r.Added;
        totals_.Replaced += r.Replaced;
        totals_.Conflicts += r.Conflicts;
        totals_.Unchanged += r.Unchanged;
    });
}

void TDownloadArchiver::Finish(const TDownloadReport& report, const TActor& actor) {
    if (!begun_) return;
    Try([&] { archive_->FinishDownload(*downloadId_, report, actor); });
}

}  // namespace archive

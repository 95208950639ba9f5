#include "archive/download_archiver.h"

#include <chrono>

namespace archive {

namespace {

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

TDownloadArchiver::TDownloadArchiver(TArchive* archive, std::optional<EArchiveError> openFailure,
                                     std::function<std::int64_t()> monotonicMs)
    : archive_(archive), failure_(std::move(openFailure)), monotonicMs_(std::move(monotonicMs)) {
    if (!archive_ && !failure_) failure_ = EArchiveError(TArchiveErrorKind::Other, "", "no archive");
    if (!monotonicMs_) monotonicMs_ = SteadyMs;
}

TDownloadArchiver::~TDownloadArchiver() { Commit(); }

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
    if (!begun_ || failure_ || readings.empty()) return;
    const std::int64_t now = monotonicMs_();
    Try([&] {
        if (pending_.empty()) pendingSinceMs_ = now;
        pending_.insert(pending_.end(), readings.begin(), readings.end());
    });
    if (pending_.size() >= MaxReadings || now - pendingSinceMs_ >= MaxDelayMs) Commit();
}

void TDownloadArchiver::Commit() {
    if (!begun_ || pending_.empty()) return;
    // The held readings go in one transaction: on a failure none of them is in the archive, and
    // none is counted as archived.
    Try([&] {
        const TChunkResult r = archive_->AddReadings(*downloadId_, pending_);
        totals_.Added += r.Added;
        totals_.Replaced += r.Replaced;
        totals_.Conflicts += r.Conflicts;
        totals_.Unchanged += r.Unchanged;
        pending_.clear();
    });
}

void TDownloadArchiver::Finish(const TDownloadReport& report, const TActor& actor) {
    if (!begun_) return;
    Commit();
    Try([&] { archive_->FinishDownload(*downloadId_, report, actor); });
}

}  // namespace archive

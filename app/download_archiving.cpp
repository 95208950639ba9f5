#include "app/download_archiving.h"

#include <exception>

#include "archive/sqlite_archive.h"

TDownloadArchiving::TDownloadArchiving(const std::string& path, std::optional<archive::TRecordingKey> key,
                                       const archive::TDownloadInfo& info) {
    if (!key) return;
    std::optional<archive::EArchiveError> failure;
    if (path.empty()) {
        failure = archive::EArchiveError(archive::TArchiveErrorKind::Other, path,
                                         "no folder for the archive (neither XDG_DATA_HOME nor HOME is set)");
    } else {
        try {
            store_ = archive::OpenSqliteArchive(path);
        } catch (const archive::EArchiveError& e) {
            failure = e;
        } catch (const std::exception& e) {
            failure = archive::EArchiveError(archive::TArchiveErrorKind::Other, path, e.what());
        }
    }
    archiver_.emplace(store_.get(), failure);
    if (store_) archiver_->Begin(*key, info);
}

void TDownloadArchiving::Chunk(const std::vector<TStoredReading>& readings) {
    offered_ += static_cast<std::int64_t>(readings.size());
    if (archiver_) archiver_->Chunk(readings);
}

void TDownloadArchiving::Finish(const TDownloadReport& report, const archive::TActor& actor) {
    if (archiver_) archiver_->Finish(report, actor);
}

std::optional<archive::EArchiveError> TDownloadArchiving::Failure() const {
    return archiver_ ? archiver_->Failure() : std::nullopt;
}

std::int64_t TDownloadArchiving::Archived() const {
    if (!archiver_) return 0;
    const archive::TChunkResult& t = archiver_->Totals();
    return t.Added + t.Replaced + t.Conflicts + t.Unchanged;
}

#include "app/download_archiver.h"

#include <exception>

#include "archive/sqlite_archive.h"

template <class F>
void TDownloadArchiver::Try(F&& action) {
    if (!archive_) return;
    try {
        action();
    } catch (const archive::EArchiveError& e) {
        failure_ = e;
        archive_.reset();
    } catch (const std::exception& e) {
        // Memory and the like: still the archive's failure, never the download's.
        failure_ = archive::EArchiveError(archive::TArchiveErrorKind::Other, path_, e.what());
        archive_.reset();
    }
}

TDownloadArchiver::TDownloadArchiver(const std::string& path, std::optional<archive::TRecordingKey> key,
                                     const archive::TDownloadInfo& info)
    : path_(path), known_(key.has_value()) {
    if (!key) return;
    if (path.empty()) {
        failure_ = archive::EArchiveError(archive::TArchiveErrorKind::Other, path,
                                          "no folder for the archive (neither XDG_DATA_HOME nor HOME is set)");
        return;
    }
    try {
        archive_ = archive::OpenSqliteArchive(path);
    } catch (const archive::EArchiveError& e) {
        failure_ = e;
        return;
    } catch (const std::exception& e) {
        failure_ = archive::EArchiveError(archive::TArchiveErrorKind::Other, path, e.what());
        return;
    }
    Try([&] { downloadId_ = archive_->BeginDownload(*key, info); });
}

void TDownloadArchiver::AddChunk(const std::vector<TStoredReading>& readings) {
    offered_ += static_cast<std::int64_t>(readings.size());
    Try([&] {
        archive_->AddReadings(downloadId_, readings);
        archived_ += static_cast<std::int64_t>(readings.size());
    });
}

void TDownloadArchiver::Finish(const TDownloadReport& report, const archive::TActor& actor) {
    Try([&] { archive_->FinishDownload(downloadId_, report, actor); });
    archive_.reset();  // the file is released as soon as the download is kept
}

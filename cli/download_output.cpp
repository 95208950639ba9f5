#include "cli/download_output.h"

#include <ostream>

#include "base/atomic_file.h"
#include "data/data_file.h"

namespace cli {

TDownloadOutput::TDownloadOutput(const TCliOptions& options, std::ostream& out) : path_(options.Output), out_(out) {
    if (const auto table = options.Table()) export_ = std::make_unique<readings::TReadingExporter>(*table);
}

void TDownloadOutput::Begin() {
    if (!export_) return;
    if (path_.empty()) {
        row_.clear();
        export_->AppendHeader(row_);
        out_ << row_ << std::flush;
    } else {
        export_->AppendHeader(text_);
    }
}

void TDownloadOutput::Add(const std::string& line) {
    // Standard output gets each reading at once, so a pipe can follow the download.
    if (!export_) {
        if (path_.empty())
            out_ << line << "\r\n" << std::flush;
        else
            lines_.Append(line);
        return;
    }
    if (!path_.empty()) {
        export_->AppendLine(line, text_);
        return;
    }
    row_.clear();
    if (export_->AppendLine(line, row_)) out_ << row_ << std::flush;
}

void TDownloadOutput::WriteFile() const {
    if (export_)
        WriteFileAtomically(path_, text_);
    else
        readings::SaveLinesFile(path_, lines_);
}

std::optional<readings::TExportCounts> TDownloadOutput::Counts() const {
    if (!export_) return std::nullopt;
    return export_->Counts();
}

}  // namespace cli

#include "cli/report_file_name.h"

#include <algorithm>

#include "archive/full_time_text.h"

namespace cli {
namespace {

// "yyyymmdd-hhnnss".
std::string Compact(TDateTime t) {
    std::string text = archive::FullTimeText(t);
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == ':' || c == '-'; }), text.end());
    text[8] = '-';
    return text;
}

std::string Safe(const std::string& text) {
    std::string safe = text;
    for (char& c : safe) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!ok) c = '_';
    }
    if (safe.find_first_not_of('.') == std::string::npos) return "logger";
    // A leading dot would hide the file.
    if (safe.front() == '.') safe.front() = '_';
    return safe;
}

}  // namespace

std::string ReportFileName(const std::string& model, TDateTime recordingStart, TDateTime downloadedAt) {
    return Safe(model) + "_" + Compact(recordingStart) + "_" + Compact(downloadedAt) + ".pdf";
}

}  // namespace cli

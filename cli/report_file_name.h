#pragma once
// The name of the PDF report the watch writes for one download.
#include <string>

#include "base/logger_format.h"

namespace cli {

// "<model>_<recording start>_<download time>.pdf", the times as "yyyymmdd-hhnnss", for example
// "KX-15-1_20261208-080000_20261209-080103.pdf". Bytes other than ASCII letters, digits, '-' and
// '.' become '_' (a model may hold a '/' or a blank), and a model that is empty or all dots gives
// "logger", so the name never leaves its folder nor hides.
std::string ReportFileName(const std::string& model, TDateTime recordingStart, TDateTime downloadedAt);

}  // namespace cli

// The watch's report names: the model, the recording start and the download time, and never a
// name that leaves its folder or hides.
#include "cli/report_file_name.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

struct NameRow {
    const char* Name;
    const char* Model;
    const char* Expected;
};

class ReportFileNames : public testing::TestWithParam<NameRow> {};

TEST_P(ReportFileNames, AreSafe) {
    const LoggerFormat format;
    const TDateTime start = format.TextToDateTime("2026-12-08 08:00:00");
    const TDateTime at = format.TextToDateTime("2026-12-09 17:05:09");
    EXPECT_EQ(ReportFileName(GetParam().Model, start, at), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReportFileNames,
    testing::Values(NameRow{"Model", "KX-15-1", "KX-15-1_20261208-080000_20261209-170509.pdf"},
                    NameRow{"SlashAndBlank", "../x y", "_._x_y_20261208-080000_20261209-170509.pdf"},
                    NameRow{"DotsOnly", "..", "logger_20261208-080000_20261209-170509.pdf"},
                    NameRow{"Empty", "", "logger_20261208-080000_20261209-170509.pdf"},
                    NameRow{"NotAscii", "KX\xB3", "KX__20261208-080000_20261209-170509.pdf"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cli

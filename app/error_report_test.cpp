#include "app/error_report.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct TDotCase {
    const char* Name;
    const char* What;
    const char* Shown;
};

std::ostream& operator<<(std::ostream& os, const TDotCase& row) { return os << row.Name; }

class ErrorReportText_ : public ::testing::TestWithParam<TDotCase> {};

TEST_P(ErrorReportText_, AddsAFullStopOnlyAfterCharactersAboveIt) {
    EXPECT_EQ(GetParam().Shown, ErrorReportText(GetParam().What));
}

INSTANTIATE_TEST_SUITE_P(Rows, ErrorReportText_,
                         ::testing::Values(TDotCase{"Letter", "'ab' is not a valid time", "'ab' is not a valid time."},
                                           TDotCase{"Digit", "Communication error 5", "Communication error 5."},
                                           TDotCase{"Colon", "Unable to write to:", "Unable to write to:."},
                                           TDotCase{"Question", "Why?", "Why?."}, TDotCase{"Slash", "/tmp/", "/tmp/."},
                                           TDotCase{"FullStop", "Done.", "Done."},
                                           TDotCase{"Exclamation", "Stop!", "Stop!"}, TDotCase{"Quote", "'x'", "'x'"},
                                           TDotCase{"Hyphen", "a-", "a-"},
                                           TDotCase{"NonAscii", "Błąd zapisu: ż", "Błąd zapisu: ż."},
                                           TDotCase{"Empty", "", ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace

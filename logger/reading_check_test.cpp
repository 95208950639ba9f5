#include "logger/reading_check.h"

#include <gtest/gtest.h>

namespace {

const std::string Clean = "2026-12-08 04:16:01    18.1     3.4";

struct CheckRow {
    const char* name;
    std::string line;
    bool reading;
};
void PrintTo(const CheckRow& row, std::ostream* os) { *os << row.name; }

class CheckReadingLineRows : public testing::TestWithParam<CheckRow> {};

TEST_P(CheckReadingLineRows, TellsReadingsFromDamagedLines) {
    TDateTime time = -1;
    EXPECT_EQ(GetParam().reading, lorv::CheckReadingLine(GetParam().line, LoggerFormat(), time));
    EXPECT_EQ(GetParam().reading ? LoggerFormat().TextToDateTime("2026-12-08 04:16:01") : -1.0, time);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CheckReadingLineRows,
    testing::Values(CheckRow{"Clean", Clean, true},
                    // A logger answering CR LF leaves the CR in the line.
                    CheckRow{"CarriageReturnAfter", Clean + "\r", true}, CheckRow{"BlanksAfter", Clean + "  ", true},
                    CheckRow{"SignsAndExponent", "2026-12-08 04:16:01   -18.1  +0.3e1", true},
                    CheckRow{"CutLineGluedToTheNext", "2026-12-08 04:16:" + Clean, false},
                    CheckRow{"TwoMergedReadings", Clean + Clean, false},
                    CheckRow{"NoiseInTheTime",
                             "2026-12-08 0\x8f"
                             "4:16:01    18.1     3.4",
                             false},
                    CheckRow{"DigitPushedOutOfTheLastField", "2026-12-08 04:16:01    18.1     3.74", false},
                    CheckRow{"CommaDecimal", "2026-12-08 04:16:01    18,1     3.4", false},
                    CheckRow{"TabInAField", "2026-12-08 04:16:01\t   18.1     3.4", false},
                    CheckRow{"ShortLine", "2026-12-08 04:16:01    18.1     3.", false},
                    CheckRow{"EmptyField", "2026-12-08 04:16:01    18.1        ", false},
                    CheckRow{"NoiseInFront", "@!" + Clean, false}, CheckRow{"Empty", "", false}),
    [](const testing::TestParamInfo<CheckRow>& info) { return std::string(info.param.name); });

}  // namespace

#include "logger/reading_check.h"

#include <gtest/gtest.h>

namespace {

const std::string Clean = "2026-12-08 04:16:01    18.1     3.4";

struct CheckRow {
    const char* name;
    std::string line;
    bool reading;
    bool time;  // characters 1 to 19 convert as a time
};
void PrintTo(const CheckRow& row, std::ostream* os) { *os << row.name; }

class CheckReadingLineRows : public testing::TestWithParam<CheckRow> {};

TEST_P(CheckReadingLineRows, TellsReadingsFromDamagedLines) {
    const lorv::TLineCheck check = lorv::CheckReadingLine(GetParam().line, LoggerFormat());
    EXPECT_EQ(GetParam().reading, check.Reading);
    EXPECT_EQ(GetParam().time, check.Time.has_value());
    if (GetParam().reading) {
        EXPECT_EQ(LoggerFormat().TextToDateTime("2026-12-08 04:16:01"), check.Time.value_or(0));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CheckReadingLineRows,
    testing::Values(CheckRow{"Clean", Clean, true, true},
                    // A logger answering CR LF leaves the CR in the line.
                    CheckRow{"CarriageReturnAfter", Clean + "\r", true, true},
                    CheckRow{"BlanksAfter", Clean + "  ", true, true},
                    CheckRow{"SignsAndExponent", "2026-12-08 04:16:01   -18.1  +0.3e1", true, true},
                    // The glued text still reads as a time (04:16:20), only not this reading's.
                    CheckRow{"CutLineGluedToTheNext", "2026-12-08 04:16:" + Clean, false, true},
                    CheckRow{"TwoMergedReadings", Clean + Clean, false, true},
                    CheckRow{"NoiseInTheTime",
                             "2026-12-08 0\x8f"
                             "4:16:01    18.1     3.4",
                             false, false},
                    CheckRow{"DigitPushedOutOfTheLastField", "2026-12-08 04:16:01    18.1     3.74", false, true},
                    CheckRow{"CommaDecimal", "2026-12-08 04:16:01    18,1     3.4", false, true},
                    CheckRow{"TabInAField", "2026-12-08 04:16:01\t   18.1     3.4", false, true},
                    CheckRow{"ShortLine", "2026-12-08 04:16:01    18.1     3.", false, true},
                    CheckRow{"EmptyField", "2026-12-08 04:16:01    18.1        ", false, true},
                    CheckRow{"NoiseInFront", "@!" + Clean, false, false}, CheckRow{"Empty", "", false, false}),
    [](const testing::TestParamInfo<CheckRow>& info) { return std::string(info.param.name); });

}  // namespace

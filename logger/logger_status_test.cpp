// The logger's clock against the computer's: whole seconds compared as the logger gives them, so
// a logger in step shows 0 wherever the computer is within its second.
#include "logger/logger_status.h"

#include <gtest/gtest.h>

namespace {

struct TOffsetRow {
    const char* Name;
    const char* Logger;    // the "T?" answer
    const char* Computer;  // the computer's clock when it came ...
    int ComputerMs;        // ... and its milliseconds
    std::int64_t Expected;
};
void PrintTo(const TOffsetRow& row, std::ostream* os) { *os << row.Name; }

class ClockOffsetRows : public testing::TestWithParam<TOffsetRow> {};

TEST_P(ClockOffsetRows, IsTheDifferenceOfWholeSeconds) {
    const LoggerFormat format;
    TLoggerStatus status;
    EXPECT_FALSE(status.ClockOffsetSeconds().has_value());
    status.Clock = format.TextToDateTime(GetParam().Logger);
    status.ClockReadAt = format.TextToDateTime(GetParam().Computer) + EncodeTime(0, 0, 0, GetParam().ComputerMs);
    EXPECT_EQ(GetParam().Expected, status.ClockOffsetSeconds());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ClockOffsetRows,
    testing::Values(TOffsetRow{"InStepAtTheTurnOfTheSecond", "2026-12-08 10:00:00", "2026-12-08 10:00:00", 0, 0},
                    TOffsetRow{"InStepLateInTheSecond", "2026-12-08 10:00:00", "2026-12-08 10:00:00", 999, 0},
                    TOffsetRow{"SecondTurnedOnTheWay", "2026-12-08 10:00:00", "2026-12-08 10:00:01", 4, -1},
                    TOffsetRow{"TwoMinutesAhead", "2026-12-08 10:02:00", "2026-12-08 10:00:00", 600, 120},
                    TOffsetRow{"FortyFiveSecondsBehind", "2026-12-08 09:59:15", "2026-12-08 10:00:00", 700, -45},
                    TOffsetRow{"AheadAcrossMidnight", "2026-12-09 00:00:02", "2026-12-08 23:59:59", 500, 3},
                    TOffsetRow{"AnHourAheadAfterTheClocksWentBack", "2026-10-25 03:00:00", "2026-10-25 02:00:00", 250,
                               3600}),
    [](const testing::TestParamInfo<TOffsetRow>& info) { return std::string(info.param.Name); });

}  // namespace

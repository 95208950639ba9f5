// The watch's decisions over scans of the port list: probing once, leaving other devices alone,
// naming a port that will not open once per reason, telling a new device under an old name, and
// the times a followed logger's readings are due.
#include "cli/port_watch.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace cli {
namespace {

using Names = std::vector<std::string>;

Names GoneNames(const TScanStep& step) {
    Names names;
    for (const TGonePort& g : step.Gone) names.push_back(g.Name);
    return names;
}

TEST(PortWatch, ProbesEachPortOnceUntilItGoesAndComesBack) {
    TPortWatch watch;
    EXPECT_EQ(watch.Scan({{"ttyUSB0", 1}, {"ttyUSB1", 2}}).Probe, (Names{"ttyUSB0", "ttyUSB1"}));
    watch.ProbedForeign("ttyUSB0");
    watch.ProbedLogger("ttyUSB1");
    watch.Released("ttyUSB1");
    // Neither the other device nor the logger let go is asked again while they stay.
    for (int scan = 0; scan < 3; ++scan) {
        const TScanStep step = watch.Scan({{"ttyUSB0", 1}, {"ttyUSB1", 2}});
        EXPECT_TRUE(step.Probe.empty());
        EXPECT_TRUE(step.Gone.empty());
    }
    const TScanStep unplugged = watch.Scan({{"ttyUSB0", 1}});
    ASSERT_EQ(unplugged.Gone.size(), 1u);
    EXPECT_EQ(unplugged.Gone[0].Name, "ttyUSB1");
    EXPECT_EQ(unplugged.Gone[0].Role, TPortRole::Released);
    // Plugged in again: a new port.
    EXPECT_EQ(watch.Scan({{"ttyUSB0", 1}, {"ttyUSB1", 3}}).Probe, Names{"ttyUSB1"});
    EXPECT_EQ(watch.Role("ttyUSB0"), TPortRole::Foreign);
}

TEST(PortWatch, ANewDeviceUnderTheSameNameIsGoneAndNew) {
    TPortWatch watch;
    watch.Scan({{"pts/4", 10}});
    watch.ProbedLogger("pts/4");
    watch.Lost("pts/4");
    EXPECT_TRUE(watch.Scan({{"pts/4", 10}}).Probe.empty());
    // Unplugged and plugged in between two scans: the node is another one.
    const TScanStep step = watch.Scan({{"pts/4", 11}});
    EXPECT_EQ(GoneNames(step), Names{"pts/4"});
    EXPECT_EQ(step.Gone[0].Role, TPortRole::Lost);
    EXPECT_EQ(step.Probe, Names{"pts/4"});
    EXPECT_EQ(watch.Role("pts/4"), TPortRole::Unprobed);
}

TEST(PortWatch, APortThatWillNotOpenIsTriedAgainButNamedOncePerReason) {
    TPortWatch watch;
    TPortDiagnosis busy;
    busy.PortName = "ttyACM0";
    busy.OsError = EBUSY;
    busy.Trouble = TPortTrouble::Busy;
    busy.Holders = {{412, "minicom", false}};

    ASSERT_EQ(watch.Scan({{"ttyACM0", 5}}).Probe, Names{"ttyACM0"});
    EXPECT_TRUE(watch.ProbeUnopened("ttyACM0", busy));
    for (int scan = 0; scan < 2; ++scan) {
        EXPECT_EQ(watch.Scan({{"ttyACM0", 5}}).Probe, Names{"ttyACM0"});
        EXPECT_FALSE(watch.ProbeUnopened("ttyACM0", busy));
    }
    TPortDiagnosis otherHolder = busy;
    otherHolder.Holders = {{977, "ModemManager", true}};
    watch.Scan({{"ttyACM0", 5}});
    EXPECT_TRUE(watch.ProbeUnopened("ttyACM0", otherHolder));
    // Once it opens it is probed like any other port and no longer tried.
    watch.Scan({{"ttyACM0", 5}});
    watch.ProbedForeign("ttyACM0");
    EXPECT_TRUE(watch.Scan({{"ttyACM0", 5}}).Probe.empty());
}

TEST(PortWatch, AFollowedLoggerIsDueOncePerSchedule) {
    TPortWatch watch;
    watch.Scan({{"pts/1", 1}, {"pts/2", 2}});
    watch.ProbedLogger("pts/1");
    watch.ProbedLogger("pts/2");
    watch.FollowAt("pts/1", 5000);
    watch.FollowAt("pts/2", 3000);
    EXPECT_EQ(watch.EarliestDue(), 3000);
    EXPECT_TRUE(watch.FollowDue(2999).empty());
    EXPECT_EQ(watch.FollowDue(4000), Names{"pts/2"});
    EXPECT_TRUE(watch.FollowDue(4500).empty());
    EXPECT_EQ(watch.EarliestDue(), 5000);
    // A recording that stopped: connected, never due.
    watch.FollowAt("pts/1", std::nullopt);
    EXPECT_FALSE(watch.EarliestDue().has_value());
    // A port that went is due no more.
    watch.FollowAt("pts/2", 6000);
    watch.Scan({{"pts/1", 1}});
    EXPECT_TRUE(watch.FollowDue(10000).empty());
}

struct DueRow {
    const char* Name;
    std::int64_t Index;
    double ClockSecondsAfterStart;  // the logger's clock now
    double StopSecondsAfterStart;   // 0: no stop
    std::optional<std::int64_t> DueMs;
};

class ReadingDue : public testing::TestWithParam<DueRow> {};

TEST_P(ReadingDue, FromTheLoggersClock) {
    const DueRow& row = GetParam();
    const TDateTime start = 46000.25;  // 2025-12-09 06:00:00
    const TDateTime stop = row.StopSecondsAfterStart == 0 ? 0 : start + row.StopSecondsAfterStart / 86400;
    EXPECT_EQ(ReadingDueMs(row.Index, start, 2, stop, start + row.ClockSecondsAfterStart / 86400, 100000), row.DueMs);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadingDue,
    testing::Values(DueRow{"NextInOneAndAHalfSeconds", 5, 8.5, 0, 101500},
                    DueRow{"TakenAlready", 3, 8.5, 0, 100000},
                    DueRow{"AtTheStopStillComes", 5, 8.5, 10, 101500},
                    DueRow{"AfterTheStopNever", 6, 8.5, 10, std::nullopt},
                    DueRow{"BeforeTheStart", 0, -30, 0, 130000}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ReadingDue, NeedsAnInterval) { EXPECT_FALSE(ReadingDueMs(1, 46000, 0, 0, 46000, 0).has_value()); }

}  // namespace
}  // namespace cli

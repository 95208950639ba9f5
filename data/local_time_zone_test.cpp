#include "data/local_time_zone.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "data/scoped_time_zone.h"

namespace readings {
namespace {

struct OffsetRow {
    const char* name;
    const char* zone;
    const char* wallClock;  // logger time text
    std::int32_t offset;
    TLocalTimeKind kind;
};

void PrintTo(const OffsetRow& row, std::ostream* os) { *os << row.name; }

class LocalOffset : public testing::TestWithParam<OffsetRow> {};

TEST_P(LocalOffset, FollowsTheZoneAndTheRuleForGapsAndFolds) {
    const OffsetRow& row = GetParam();
    const TScopedTimeZone zone(row.zone);
    TLocalTimeZone local;
    const TLocalTimeOffset got = local.OffsetOf(LocalSecondsOf(LoggerFormat().TextToDateTime(row.wallClock)));
    EXPECT_EQ(row.offset, got.OffsetSeconds);
    EXPECT_EQ(static_cast<int>(row.kind), static_cast<int>(got.Kind));
}

constexpr std::int32_t H = 3600;
using K = TLocalTimeKind;

INSTANTIATE_TEST_SUITE_P(Zones, LocalOffset,
                         testing::Values(
                             // Europe/Warsaw, spring forward on 2026-03-29: 02:00 CET becomes 03:00 CEST.
                             OffsetRow{"WarsawWinter", "Europe/Warsaw", "2026-01-15 12:00:00", H, K::Unique},
                             OffsetRow{"WarsawBeforeSpring", "Europe/Warsaw", "2026-03-29 01:59:59", H, K::Unique},
                             OffsetRow{"WarsawSpringGapStart", "Europe/Warsaw", "2026-03-29 02:00:00", H, K::Gap},
                             OffsetRow{"WarsawSpringGapEnd", "Europe/Warsaw", "2026-03-29 02:59:59", H, K::Gap},
                             OffsetRow{"WarsawAfterSpring", "Europe/Warsaw", "2026-03-29 03:00:00", 2 * H, K::Unique},
                             // Fall back on 2026-10-25: 03:00 CEST becomes 02:00 CET; the first 02:xx is taken.
                             OffsetRow{"WarsawBeforeFall", "Europe/Warsaw", "2026-10-25 01:59:59", 2 * H, K::Unique},
                             OffsetRow{"WarsawFallFoldStart", "Europe/Warsaw", "2026-10-25 02:00:00", 2 * H, K::Fold},
                             OffsetRow{"WarsawFallFoldEnd", "Europe/Warsaw", "2026-10-25 02:59:59", 2 * H, K::Fold},
                             OffsetRow{"WarsawAfterFall", "Europe/Warsaw", "2026-10-25 03:00:00", H, K::Unique},
                             // A change of half an hour at 02:00: 01:30 to 01:59 come twice.
                             OffsetRow{"LordHoweFold", "Australia/Lord_Howe", "2026-04-05 01:45:00", 11 * H, K::Fold},
                             OffsetRow{"LordHoweAfter", "Australia/Lord_Howe", "2026-04-05 02:00:00", 10 * H + H / 2,
                                       K::Unique},
                             // West of UTC, and a whole day skipped when Samoa crossed the date line.
                             OffsetRow{"NewYorkGap", "America/New_York", "2026-03-08 02:30:00", -5 * H, K::Gap},
                             OffsetRow{"SamoaSkippedDay", "Pacific/Apia", "2011-12-30 12:00:00", -10 * H, K::Gap},
                             OffsetRow{"SamoaNextDay", "Pacific/Apia", "2011-12-31 12:00:00", 14 * H, K::Unique},
                             OffsetRow{"Utc", "UTC", "2026-03-29 02:30:00", 0, K::Unique}),
                         [](const testing::TestParamInfo<OffsetRow>& info) { return std::string(info.param.name); });

// The cache must never answer across a change: a year of quarter hours walked forward, then
// backward, through one zone object agrees at every time with a fresh object, and every unique
// time maps back to itself through the C library.
TEST(LocalTimeZone, CachedAnswersAgreeWithFreshOnesAcrossAYear) {
    const TScopedTimeZone zone("Europe/Warsaw");
    const std::int64_t start = LocalSecondsOf(EncodeDate(2026, 1, 1));
    const std::int64_t end = LocalSecondsOf(EncodeDate(2027, 1, 1));
    for (int direction : {1, -1}) {
        TLocalTimeZone walked;
        int gaps = 0, folds = 0;
        for (std::int64_t k = 0; k < (end - start) / 900; ++k) {
            const std::int64_t t = direction > 0 ? start + k * 900 : end - 900 - k * 900;
            const TLocalTimeOffset got = walked.OffsetOf(t);
            ASSERT_EQ(TLocalTimeZone().OffsetOf(t), got) << t;
            gaps += got.Kind == TLocalTimeKind::Gap;
            folds += got.Kind == TLocalTimeKind::Fold;
            if (got.Kind != TLocalTimeKind::Unique) continue;
            const std::time_t utc = t - got.OffsetSeconds;
            std::tm local{};
            ASSERT_TRUE(localtime_r(&utc, &local));
            ASSERT_EQ(got.OffsetSeconds, local.tm_gmtoff) << t;
        }
        EXPECT_EQ(4, gaps);   // 02:00 to 02:45 on 29 March
        EXPECT_EQ(4, folds);  // 02:00 to 02:45 on 25 October
    }
}

}  // namespace
}  // namespace readings

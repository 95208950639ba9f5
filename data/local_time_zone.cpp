#include "data/local_time_zone.h"

#include <chrono>
#include <ctime>

namespace readings {
namespace {

constexpr std::int64_t kHour = 3600;
// No zone is further than this from UTC, so every instant that shows a wall-clock time L lies
// within L +- kMaxOffset.
constexpr std::int64_t kMaxOffset = 18 * kHour;
// The probes before and after a time; the window between them holds at most one change of the
// offset (changes are more than three days apart).
constexpr std::int64_t kReach = 36 * kHour;

}  // namespace

// Through the calendar parts, so that the seconds agree with the text of the time whatever the
// sign of the day count.
std::int64_t LocalSecondsOf(TDateTime localTime) { return LocalSecondsOf(DecodeDateTime(localTime)); }

std::int64_t LocalSecondsOf(const TDateParts& p) {
    const std::chrono::sys_days day{std::chrono::year{p.Year} / p.Month / p.Day};
    return static_cast<std::int64_t>(day.time_since_epoch().count()) * 86400 + p.Hour * kHour + p.Minute * 60 +
           p.Second;
}

TLocalTimeZone::TLocalTimeZone() { tzset(); }

std::int32_t TLocalTimeZone::OffsetAt(std::int64_t utcSeconds) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return 0;
    return static_cast<std::int32_t>(tm.tm_gmtoff);
}

TLocalTimeOffset TLocalTimeZone::OffsetOf(std::int64_t localSeconds) {
    // Every instant that could show this time lies in a stretch of one known offset: no other
    // offset can give the same wall-clock time.
    if (cacheValid_ && localSeconds - kMaxOffset >= cacheFrom_ && localSeconds + kMaxOffset <= cacheTo_)
        return {cacheOffset_, TLocalTimeKind::Unique};

    const std::int32_t before = OffsetAt(localSeconds - kReach);
    const std::int32_t after = OffsetAt(localSeconds + kReach);
    if (before == after) {
        // No change between the probes (two would be too close together): one offset throughout.
        cacheValid_ = true;
        cacheFrom_ = localSeconds - kReach;
        cacheTo_ = localSeconds + kReach;
        cacheOffset_ = before;
        return {before, TLocalTimeKind::Unique};
    }
    // One change between the probes: each side's offset is a reading of this time when the
    // instant it gives really has that offset.
    const bool asBefore = OffsetAt(localSeconds - before) == before;
    const bool asAfter = OffsetAt(localSeconds - after) == after;
    if (asBefore && asAfter) return {before, TLocalTimeKind::Fold};
    if (!asBefore && !asAfter) return {before, TLocalTimeKind::Gap};
    return {asBefore ? before : after, TLocalTimeKind::Unique};
}

}  // namespace readings

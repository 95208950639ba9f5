#pragma once
// The UTC offset of a wall-clock time of this computer's time zone.
//
// The logger's clock is a local wall clock without a zone (it is set from the computer's local
// clock), so a reading's time becomes an instant only through the zone rules of the computer:
// the C library's zone of the process (TZ, else /etc/localtime), read once when a TLocalTimeZone
// is made.
//
// The rule for times that do not name exactly one instant:
// - a time in a gap (skipped when the clocks go forward, such as 02:30 on the last Sunday of
//   March in Europe/Warsaw) and
// - a time in a fold (met twice when the clocks go back, such as 02:30 on the last Sunday of
//   October)
// both take the offset in force BEFORE the change: 02:30 in March is 02:30+01:00 (the instant
// 01:30 UTC), 02:30 in October is the first 02:30, 02:30+02:00. This is what a logger clock
// that was set before the change and never moved itself shows, which is how the logger runs.
//
// The zone's changes are found by probing the C library, which assumes that a zone never
// changes its offset twice within three days; every zone of the time-zone database meets that
// since 1900 (its closest two changes are four days apart).
#include <cstdint>

#include "base/logger_format.h"

namespace readings {

enum class TLocalTimeKind {
    Unique,  // names exactly one instant
    Gap,     // skipped by a change of the clocks: no instant shows this wall-clock time
    Fold,    // repeated by a change of the clocks: two instants show it
};

struct TLocalTimeOffset {
    std::int32_t OffsetSeconds = 0;  // local minus UTC, e.g. 3600 for +01:00
    TLocalTimeKind Kind = TLocalTimeKind::Unique;

    bool operator==(const TLocalTimeOffset&) const = default;
};

// Seconds of a wall-clock time since 1970-01-01 00:00:00 of the same clock (milliseconds
// dropped), from a day count as the logger time texts give it, or from its calendar parts.
std::int64_t LocalSecondsOf(TDateTime localTime);
std::int64_t LocalSecondsOf(const TDateParts& parts);

class TLocalTimeZone {
  public:
    // Reads the process's zone (tzset), so a TZ set before this is the zone used.
    TLocalTimeZone();

    // The offset of the wall-clock time `localSeconds` (as LocalSecondsOf gives it) by the rule
    // above. Times far from any change are answered from a cache; each other one costs a few
    // calls of the C library.
    TLocalTimeOffset OffsetOf(std::int64_t localSeconds);

  private:
    // The offset in force at the UTC instant `utcSeconds`; 0 where the C library has none.
    static std::int32_t OffsetAt(std::int64_t utcSeconds);

    // UTC instants [cacheFrom_, cacheTo_] are known to share the offset cacheOffset_.
    bool cacheValid_ = false;
    std::int64_t cacheFrom_ = 0, cacheTo_ = 0;
    std::int32_t cacheOffset_ = 0;
};

}  // namespace readings

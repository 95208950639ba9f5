#pragma once
// A profile's rules worked out over a set of readings.
//
// - Span: a reading stands for the time up to the next reading of its channel (time order,
//   whole seconds), at most one interval; the last one for one interval (as the statistics
//   count time). Without an interval every span is 0 s.
// - Excursion: a maximal run of consecutive readings of the channel beyond the limit with no gap
//   inside (two consecutive reading times more than 1.5 intervals apart). It starts at its first
//   reading's time and ends at its last reading's time plus that reading's span; its duration is
//   the sum of the spans; its peak is the highest value (> and >=) or the lowest (< and <=), at
//   the first reading that has it.
// - A rule on both channels is worked out for each channel on its own.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "data/alarm_profile.h"
#include "data/reading_record.h"

namespace readings {

struct TExcursion {
    TDateTime Start = 0, End = 0;
    std::int64_t Seconds = 0;
    float Peak = 0;
    TDateTime PeakTime = 0;

    bool operator==(const TExcursion&) const = default;
};

struct TRuleResult {
    std::size_t Rule = 0;  // index into the profile's rules
    int Channel = 1;       // 1 or 2
    bool Triggered = false;
    std::int64_t SecondsBeyond = 0;  // all excursions together
    std::vector<TExcursion> Excursions;  // in time order
    std::optional<std::size_t> Longest;  // index of the first of the longest excursions; empty: none
};

// One result per rule and channel, in the profile's order (channel 1 before channel 2).
struct TProfileResult {
    std::vector<TRuleResult> Rules;
    bool AnyTriggered() const;
};

// `readings` (file order) visited in `order` (TimeOrder); `intervalSeconds` as the statistics'
// gaps give it (empty or 0: unknown).
TProfileResult EvaluateProfile(const std::vector<TReading>& readings, const std::vector<std::size_t>& order,
                               std::optional<std::int64_t> intervalSeconds, const TAlarmProfile& profile);

}  // namespace readings

#pragma once
// A storage or shipping profile: a name and its alarm rules, in the order they are reported.
#include <string>
#include <string_view>
#include <vector>

#include "data/alarm_rule.h"
#include "data/channel_statistics.h"

namespace readings {

struct TAlarmProfile {
    std::string Name;
    std::vector<TAlarmRule> Rules;

    bool operator==(const TAlarmProfile&) const = default;
};

// Profile names match without regard to ASCII case, as the settings file's sections do.
bool SameProfileName(std::string_view a, std::string_view b);

// The profiles built into the program, in the order they are offered:
//   2-8            ch 1 > 8 single, ch 1 < 2 single
//   15-25          ch 1 > 25 single, ch 1 < 15 single
//   frozen         ch 1 > -15 single
//   who-indicator  ch 1 >= 45 consecutive 1 h, ch 1 >= 30 cumulative 10 h,
//                  ch 1 <= -0.5 consecutive 1 h
const std::vector<TAlarmProfile>& BuiltInProfiles();
// The built-in profile of that name (ASCII case ignored), or null.
const TAlarmProfile* FindBuiltInProfile(std::string_view name);

// The name of the plain limits' profile, which no profile file may use either.
inline constexpr std::string_view kLimitsProfileName = "limits";
// The two plain limits of the statistics as a profile: both channels below `Low` and above
// `High`, single rules (a value equal to a limit is within it). A missing limit gives no rule.
TAlarmProfile LimitsProfile(const TTemperatureLimits& limits);

}  // namespace readings

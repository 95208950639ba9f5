#include "data/alarm_profile.h"

#include <algorithm>

namespace readings {
namespace {

TAlarmRule Rule(TRuleCompare compare, double limit, TRuleKind kind, std::int64_t seconds, std::string label) {
    return {TRuleChannels::Channel1, compare, limit, kind, seconds, std::move(label)};
}

}  // namespace

bool SameProfileName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

const std::vector<TAlarmProfile>& BuiltInProfiles() {
    using C = TRuleCompare;
    using K = TRuleKind;
    static const std::vector<TAlarmProfile> profiles{
        {"2-8", {Rule(C::Greater, 8, K::Single, 0, "above 8 °C"), Rule(C::Less, 2, K::Single, 0, "below 2 °C")}},
        {"15-25",
         {Rule(C::Greater, 25, K::Single, 0, "above 25 °C"), Rule(C::Less, 15, K::Single, 0, "below 15 °C")}},
        {"frozen", {Rule(C::Greater, -15, K::Single, 0, "above -15 °C")}},
        {"who-indicator",
         {Rule(C::GreaterOrEqual, 45, K::Consecutive, 3'600, "at or above 45 °C for 1 h at a time"),
          Rule(C::GreaterOrEqual, 30, K::Cumulative, 36'000, "at or above 30 °C for 10 h in all"),
          Rule(C::LessOrEqual, -0.5, K::Consecutive, 3'600, "at or below -0.5 °C for 1 h at a time")}},
    };
    return profiles;
}

const TAlarmProfile* FindBuiltInProfile(std::string_view name) {
    for (const TAlarmProfile& p : BuiltInProfiles())
        if (SameProfileName(p.Name, name)) return &p;
    return nullptr;
}

TAlarmProfile LimitsProfile(const TTemperatureLimits& limits) {
    TAlarmProfile profile{std::string(kLimitsProfileName), {}};
    if (limits.Low)
        profile.Rules.push_back({TRuleChannels::Both, TRuleCompare::Less, *limits.Low, TRuleKind::Single, 0, ""});
    if (limits.High)
        profile.Rules.push_back({TRuleChannels::Both, TRuleCompare::Greater, *limits.High, TRuleKind::Single, 0, ""});
    return profile;
}

}  // namespace readings

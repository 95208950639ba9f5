#include "data/alarm_rule.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

namespace readings {
namespace {

constexpr std::array<std::pair<std::string_view, std::int64_t>, 4> kUnits{
    {{"d", 86'400}, {"h", 3'600}, {"min", 60}, {"s", 1}}};
constexpr std::int64_t kLongestDuration = 10LL * 366 * 86'400;

std::optional<std::int64_t> DurationIn(std::string_view text, std::string_view allowedUnits) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits == 0 || digits > 9) return std::nullopt;
    std::int64_t n = 0;
    std::from_chars(text.data(), text.data() + digits, n);
    const std::string_view unit = text.substr(digits);
    for (const auto& [name, seconds] : kUnits) {
        if (unit != name || allowedUnits.find(name) == std::string_view::npos) continue;
        if (n == 0 || n * seconds > kLongestDuration) return std::nullopt;
        return n * seconds;
    }
    return std::nullopt;
}

}  // namespace

bool IsBeyond(const TAlarmRule& rule, float value) {
    const auto limit = static_cast<float>(rule.Limit);
    switch (rule.Compare) {
        case TRuleCompare::Greater: return value > limit;
        case TRuleCompare::GreaterOrEqual: return value >= limit;
        case TRuleCompare::Less: return value < limit;
        case TRuleCompare::LessOrEqual: return value <= limit;
    }
    return false;
}

bool LimitsFromAbove(TRuleCompare compare) {
    return compare == TRuleCompare::Greater || compare == TRuleCompare::GreaterOrEqual;
}

std::string_view ChannelsWord(TRuleChannels channels) {
    switch (channels) {
        case TRuleChannels::Channel1: return "1";
        case TRuleChannels::Channel2: return "2";
        case TRuleChannels::Both: return "both";
    }
    return "";
}

std::string_view CompareWord(TRuleCompare compare) {
    switch (compare) {
        case TRuleCompare::Greater: return ">";
        case TRuleCompare::GreaterOrEqual: return ">=";
        case TRuleCompare::Less: return "<";
        case TRuleCompare::LessOrEqual: return "<=";
    }
    return "";
}

std::string_view KindWord(TRuleKind kind) {
    switch (kind) {
        case TRuleKind::Single: return "single";
        case TRuleKind::Consecutive: return "consecutive";
        case TRuleKind::Cumulative: return "cumulative";
    }
    return "";
}

std::optional<TRuleChannels> ChannelsOfWord(std::string_view word) {
    for (const auto c : {TRuleChannels::Channel1, TRuleChannels::Channel2, TRuleChannels::Both})
        if (word == ChannelsWord(c)) return c;
    return std::nullopt;
}

std::optional<TRuleCompare> CompareOfWord(std::string_view word) {
    for (const auto c : {TRuleCompare::Greater, TRuleCompare::GreaterOrEqual, TRuleCompare::Less,
                         TRuleCompare::LessOrEqual})
        if (word == CompareWord(c)) return c;
    return std::nullopt;
}

std::optional<TRuleKind> KindOfWord(std::string_view word) {
    for (const auto k : {TRuleKind::Single, TRuleKind::Consecutive, TRuleKind::Cumulative})
        if (word == KindWord(k)) return k;
    return std::nullopt;
}

std::optional<std::int64_t> ParseDuration(std::string_view text) { return DurationIn(text, "s min h d"); }

std::optional<std::int64_t> ParseMktWindow(std::string_view text) { return DurationIn(text, "h d"); }

std::string DurationText(std::int64_t seconds) {
    for (const auto& [name, unit] : kUnits)
        if (seconds > 0 && seconds % unit == 0) return std::to_string(seconds / unit) + std::string(name);
    return std::to_string(seconds) + "s";
}

std::string ClockDurationText(std::int64_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

}  // namespace readings

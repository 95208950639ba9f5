#pragma once
// An alarm rule: a limit on one channel or both, with a duration that says how long readings
// must stay beyond it before the rule triggers.
//
// - single: any reading beyond the limit triggers it;
// - consecutive D: one excursion (alarm_evaluation.h) lasting at least D triggers it;
// - cumulative D: readings beyond the limit for at least D in total trigger it.
// Values and the limit are compared as the 32-bit floats readings are held in, so a reading of
// 8.1 is not above a limit of 8.1.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace readings {

enum class TRuleChannels { Channel1, Channel2, Both };
enum class TRuleCompare { Greater, GreaterOrEqual, Less, LessOrEqual };
enum class TRuleKind { Single, Consecutive, Cumulative };

struct TAlarmRule {
    TRuleChannels Channels = TRuleChannels::Channel1;
    TRuleCompare Compare = TRuleCompare::Greater;
    double Limit = 0;                  // degrees Celsius
    TRuleKind Kind = TRuleKind::Single;
    std::int64_t DurationSeconds = 0;  // 0 for single, above 0 for the others
    std::string Label;                 // UTF-8, may be empty

    bool operator==(const TAlarmRule&) const = default;
};

// Whether `value` lies beyond the rule's limit (NaN, a missing value, never does).
bool IsBeyond(const TAlarmRule& rule, float value);
// True for > and >=: the peak of an excursion is its highest value, else its lowest.
bool LimitsFromAbove(TRuleCompare compare);

// "1", "2", "both"; ">", ">=", "<", "<="; "single", "consecutive", "cumulative": the words of the
// profile file, the CLI's JSON and the texts.
std::string_view ChannelsWord(TRuleChannels channels);
std::string_view CompareWord(TRuleCompare compare);
std::string_view KindWord(TRuleKind kind);
std::optional<TRuleChannels> ChannelsOfWord(std::string_view word);
std::optional<TRuleCompare> CompareOfWord(std::string_view word);
std::optional<TRuleKind> KindOfWord(std::string_view word);

// A duration "<n>s", "<n>min", "<n>h" or "<n>d" (n a whole number above 0, no blank before the
// unit) in seconds; empty for anything else, for 0 and beyond ten years.
std::optional<std::int64_t> ParseDuration(std::string_view text);
// The length of a rolling MKT window, "<n>h" or "<n>d" ("24h", "30d"), in seconds.
std::optional<std::int64_t> ParseMktWindow(std::string_view text);
// The shortest text of a duration in those units: "30min", "10h", "90s", "30d".
std::string DurationText(std::int64_t seconds);
// A duration as a clock reads it, "h:mm:ss" (the hours with as many digits as they need).
std::string ClockDurationText(std::int64_t seconds);

}  // namespace readings

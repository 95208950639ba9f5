#include "data/alarm_evaluation.h"

#include <algorithm>

#include "data/reading_gaps.h"

namespace readings {
namespace {

constexpr double kSecondsPerDay = 86'400.0;

// The readings of one channel in time order, with the whole seconds of their times.
struct TChannelRun {
    std::vector<const TReading*> Readings;
    std::vector<std::int64_t> Seconds;
};

TChannelRun ChannelReadings(const std::vector<TReading>& readings, const std::vector<std::size_t>& order,
                            float TReading::*channel) {
    TChannelRun run;
    run.Readings.reserve(order.size());
    run.Seconds.reserve(order.size());
    for (const std::size_t i : order) {
        if (!HasValue(readings[i].*channel)) continue;
        run.Readings.push_back(&readings[i]);
        run.Seconds.push_back(ReadingSeconds(readings[i].Time));
    }
    return run;
}

TRuleResult Evaluate(const TChannelRun& run, float TReading::*channel, std::int64_t interval, const TAlarmRule& rule) {
    TRuleResult result;
    const bool fromAbove = LimitsFromAbove(rule.Compare);
    const std::size_t n = run.Readings.size();
    std::optional<TExcursion> open;
    std::int64_t longest = -1;
    const auto close = [&] {
        if (!open) return;
        result.SecondsBeyond += open->Seconds;
        if (open->Seconds > longest) {
            longest = open->Seconds;
            result.Longest = result.Excursions.size();
        }
        result.Excursions.push_back(*open);
        open.reset();
    };
    for (std::size_t k = 0; k < n; ++k) {
        const TReading& r = *run.Readings[k];
        const float v = r.*channel;
        // A gap before this reading ends the excursion it would continue (in integers: more than
        // 1.5 intervals).
        if (open && interval > 0 && 2 * (run.Seconds[k] - run.Seconds[k - 1]) > 3 * interval) close();
        if (!IsBeyond(rule, v)) {
            close();
            continue;
        }
        const std::int64_t span = k + 1 < n ? std::min(run.Seconds[k + 1] - run.Seconds[k], interval) : interval;
        if (!open) {
            open = TExcursion{r.Time, r.Time, 0, v, r.Time};
        } else if (fromAbove ? v > open->Peak : v < open->Peak) {
            open->Peak = v;
            open->PeakTime = r.Time;
        }
        open->Seconds += span;
        open->End = r.Time + static_cast<double>(span) / kSecondsPerDay;
    }
    close();

    switch (rule.Kind) {
        case TRuleKind::Single: result.Triggered = !result.Excursions.empty(); break;
        case TRuleKind::Consecutive: result.Triggered = longest >= rule.DurationSeconds; break;
        case TRuleKind::Cumulative:
            result.Triggered = !result.Excursions.empty() && result.SecondsBeyond >= rule.DurationSeconds;
            break;
    }
    return result;
}

}  // namespace

bool TProfileResult::AnyTriggered() const {
    return std::any_of(Rules.begin(), Rules.end(), [](const TRuleResult& r) { return r.Triggered; });
}

TProfileResult EvaluateProfile(const std::vector<TReading>& readings, const std::vector<std::size_t>& order,
                               std::optional<std::int64_t> intervalSeconds, const TAlarmProfile& profile) {
    const std::int64_t interval = intervalSeconds && *intervalSeconds > 0 ? *intervalSeconds : 0;
    const bool uses1 = std::any_of(profile.Rules.begin(), profile.Rules.end(),
                                   [](const TAlarmRule& r) { return r.Channels != TRuleChannels::Channel2; });
    const bool uses2 = std::any_of(profile.Rules.begin(), profile.Rules.end(),
                                   [](const TAlarmRule& r) { return r.Channels != TRuleChannels::Channel1; });
    const TChannelRun run1 = uses1 ? ChannelReadings(readings, order, &TReading::Channel1) : TChannelRun{};
    const TChannelRun run2 = uses2 ? ChannelReadings(readings, order, &TReading::Channel2) : TChannelRun{};

    TProfileResult result;
    for (std::size_t i = 0; i < profile.Rules.size(); ++i) {
        const TAlarmRule& rule = profile.Rules[i];
        if (rule.Channels != TRuleChannels::Channel2) {
            result.Rules.push_back(Evaluate(run1, &TReading::Channel1, interval, rule));
            result.Rules.back().Rule = i;
            result.Rules.back().Channel = 1;
        }
        if (rule.Channels != TRuleChannels::Channel1) {
            result.Rules.push_back(Evaluate(run2, &TReading::Channel2, interval, rule));
            result.Rules.back().Rule = i;
            result.Rules.back().Channel = 2;
        }
    }
    return result;
}

}  // namespace readings

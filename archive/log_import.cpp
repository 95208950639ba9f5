#include "archive/log_import.h"

#include <cmath>
#include <map>

#include "data/reading_line.h"
#include "logger/reading_check.h"

namespace archive {

TImportPlan PlanImport(const TLineStore& lines, std::optional<TDateTime> start,
                       std::optional<std::int64_t> intervalSeconds, const LoggerFormat& format) {
    TImportPlan plan;
    struct TTimed {
        std::size_t Line;
        TDateTime Time;
    };
    std::vector<TTimed> timed;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        TDateTime t = 0;
        if (readings::ParseReadingTime(readings::SplitReadingLine(lines[i]).Time, format, t)) {
            timed.push_back(TTimed{i, t});
        } else {
            ++plan.Skipped;
        }
    }
    if (timed.empty()) return plan;
    plan.Start = start.value_or(timed.front().Time);
    if (intervalSeconds) {
        plan.IntervalSeconds = *intervalSeconds;
    } else {
        // The most common spacing of successive readings; the smallest of equally common ones.
        std::map<std::int64_t, std::int64_t> spacings;
        for (std::size_t i = 1; i < timed.size(); ++i)
            if (const std::int64_t d = SecondsBetween(timed[i - 1].Time, timed[i].Time); d > 0) ++spacings[d];
        std::int64_t best = 0;
        for (const auto& [spacing, count] : spacings)
            if (count > best) {
                best = count;
                plan.IntervalSeconds = spacing;
            }
    }
    if (plan.IntervalSeconds <= 0) {
        plan.Skipped += static_cast<std::int64_t>(timed.size());
        return plan;
    }
    const std::int64_t interval = plan.IntervalSeconds;
    for (const TTimed& t : timed) {
        const std::int64_t seconds = SecondsBetween(plan.Start, t.Time);
        if (seconds < 0 && -seconds > interval / 2) {
            ++plan.Skipped;
            continue;
        }
        // The nearest index, halves rounded up as the download's range does.
        const std::int64_t index = seconds < 0 ? 0 : (seconds + interval / 2) / interval;
        TStoredReading reading{index, std::string(lines[t.Line]), TReadingState::Clean};
        if (!lorv::CheckReadingLine(reading.Line, format).Reading) {
            reading.State = TReadingState::Damaged;
        } else if (seconds != index * interval) {
            reading.State = TReadingState::OffTime;
        }
        plan.Readings.push_back(std::move(reading));
    }
    return plan;
}

}  // namespace archive

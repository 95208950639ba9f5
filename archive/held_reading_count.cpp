#include "archive/archive.h"

#include <algorithm>

namespace archive {

std::optional<std::int64_t> HeldReadingCount(const TLoggerStatus& status) {
    if (!status.Clock || !status.RecStart || !status.IntervalSeconds || *status.IntervalSeconds <= 0)
        return std::nullopt;
    TDateTime until = *status.Clock;
    if (status.RecStop && *status.RecStop != 0) until = std::min(until, *status.RecStop);
    const std::int64_t seconds = SecondsBetween(*status.RecStart, until);
    if (seconds < 0) return 0;
    return seconds / *status.IntervalSeconds + 1;
}

}  // namespace archive

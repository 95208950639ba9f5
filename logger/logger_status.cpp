#include "logger/logger_status.h"

#include <cmath>

namespace {

// Whole seconds of a day count, rounded to milliseconds first and then truncated toward the past.
std::int64_t WholeSeconds(TDateTime value) {
    const std::int64_t ms = std::llround(value * 86400000.0);
    return ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
}

}  // namespace

std::optional<std::int64_t> TLoggerStatus::ClockOffsetSeconds() const {
    if (!Clock || !ClockReadAt) return std::nullopt;
    return WholeSeconds(*Clock) - WholeSeconds(*ClockReadAt);
}

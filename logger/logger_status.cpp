#include "logger/logger_status.h"

#include <cmath>

std::optional<std::int64_t> TLoggerStatus::ClockOffsetSeconds() const {
    if (!Clock || !ClockReadAt) return std::nullopt;
    return std::llround((*Clock - *ClockReadAt) * 86400.0);
}

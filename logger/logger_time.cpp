#include "logger/logger_time.h"

#include <cmath>
#include <cstdlib>

std::uint64_t IntervalSeconds(TDateTime interval) {
    const TDateParts parts = DecodeDateTime(interval);
    return static_cast<std::uint64_t>(parts.Hour) * 3600u + static_cast<std::uint64_t>(parts.Minute) * 60u +
           static_cast<std::uint64_t>(parts.Second);
}

namespace lorv {

namespace {

void CheckInterval(std::int64_t intervalSeconds) {
    if (intervalSeconds <= 0) throw ERangeError("The recording interval is not known; read the logger settings first");
}

}  // namespace

std::int64_t ReadingIndex(TDateTime at, TDateTime recStart, std::int64_t intervalSeconds) {
    CheckInterval(intervalSeconds);
    // SecondsBetween rounds to milliseconds before truncating, so whole-second differences of day
    // counts never lose a second to floating-point error.
    const std::int64_t seconds = std::llabs(SecondsBetween(recStart, at));
    return (seconds + intervalSeconds / 2) / intervalSeconds;
}

std::int64_t FirstReadingAtOrAfter(TDateTime at, TDateTime recStart, std::int64_t intervalSeconds) {
    CheckInterval(intervalSeconds);
    const std::int64_t seconds = SecondsBetween(recStart, at);
    if (seconds <= 0) return 0;
    return (seconds + intervalSeconds - 1) / intervalSeconds;
}

std::int64_t LastReadingAtOrBefore(TDateTime at, TDateTime recStart, std::int64_t intervalSeconds) {
    CheckInterval(intervalSeconds);
    const std::int64_t seconds = SecondsBetween(recStart, at);
    if (seconds < 0) return -1;
    return seconds / intervalSeconds;
}

TDateTime LoggerClockAt(TDateTime lastRead, std::int64_t elapsedMs) {
    return lastRead + static_cast<double>(elapsedMs) / 86400000.0;
}

std::string MinimumIntervalText(const LoggerFormat& format, const std::string& text) {
    const TDateTime value = format.TextToTime(text);
    if (std::llround(value * 86400000.0) < 2000) return "00:00:02";
    return text;
}

}  // namespace lorv

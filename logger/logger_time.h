#pragma once
// Time arithmetic of the logger protocol: interval seconds, reading indices, the running clock.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "base/logger_format.h"

// Whole seconds of the time of day in `interval`: hours * 3600 + minutes * 60 + seconds, after
// rounding to milliseconds. Whole days and milliseconds are dropped (0 .. 86399).
std::uint64_t IntervalSeconds(TDateTime interval);

namespace lorv {

// A reading range that cannot be worked out (no recording interval known yet).
class ERangeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Index of the reading nearest to `at` in a recording that began at `recStart` with one reading
// every `intervalSeconds`: (S + intervalSeconds div 2) div intervalSeconds, where S is the absolute
// number of whole seconds between the two times (so a time before the start counts like one after
// it). Throws ERangeError when intervalSeconds is 0 or less.
std::int64_t ReadingIndex(TDateTime at, TDateTime recStart, std::int64_t intervalSeconds);

// Index of the first reading taken at or after `at` (0 when `at` is at or before `recStart`).
// Throws ERangeError when intervalSeconds is 0 or less.
std::int64_t FirstReadingAtOrAfter(TDateTime at, TDateTime recStart, std::int64_t intervalSeconds);

// Index of the last reading taken at or before `at`; -1 when `at` is before `recStart`.
// Throws ERangeError when intervalSeconds is 0 or less.
std::int64_t LastReadingAtOrBefore(TDateTime at, TDateTime recStart, std::int64_t intervalSeconds);

// The logger's clock as shown now: `lastRead` (the last clock answer) plus `elapsedMs`
// milliseconds of monotonic time since that answer came.
TDateTime LoggerClockAt(TDateTime lastRead, std::int64_t elapsedMs);

// The interval text to show after the user leaves the interval field: "00:00:02" when `text`
// holds a time below 2 seconds, otherwise `text` unchanged. Throws EConvertError
// "'<text>' is not a valid time" when `text` is not a time.
std::string MinimumIntervalText(const LoggerFormat& format, const std::string& text);

}  // namespace lorv

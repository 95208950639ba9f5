#pragma once
// The logger's state as one read of its status and settings found it. Each value is present only
// when its answer came; an absent value leaves whatever the client showed before.
#include <cstdint>
#include <optional>
#include <string>

#include "base/errors.h"
#include "base/logger_format.h"

struct TLoggerStatus {
    std::optional<TDateTime> Clock;               // "T?": the logger's clock
    std::optional<TDateTime> ClockReadAt;         // the computer's local time when the "T?" answer came
    std::optional<TDateTime> RecStart;            // "R?": recording start
    std::optional<TDateTime> RecStop;             // "S?": recording stop
    std::string StopAnswer;                       // the "S?" answer exactly as received (empty: none)
    std::optional<TDateTime> Interval;            // "I?": recording interval as a time of day
    std::optional<std::int64_t> IntervalSeconds;  // the interval in whole seconds
    std::optional<std::string> CAnswer;           // "C?", as received
    std::optional<std::string> Battery;           // "U?": battery voltage in millivolts, as received
    std::optional<std::int64_t> BatteryMv;        // the same when the answer is a whole number
    // An answer that is not a time ends the read at that command: the values before it are set, the
    // commands after it were not sent, and this holds the conversion error
    // ("'<answer>' is not a valid date and time").
    std::optional<EConvertError> Failure;

    // How far the logger's clock is ahead of the computer's, in whole seconds: Clock minus
    // ClockReadAt with both truncated to whole seconds. The logger's text drops the fraction of
    // its second, so it reads on average half a second behind a clock in step with it; dropping
    // the computer's fraction too is the same as adding half a second to the logger's clock and
    // rounding the difference to the nearest second, a half down. A logger in step shows 0 (-1
    // only when its second turned between its reading and the answer's arrival). Absent without
    // a clock answer.
    std::optional<std::int64_t> ClockOffsetSeconds() const;
};

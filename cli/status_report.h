#pragma once
// The logger's state as the status command prints it: plain text or one JSON object.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/json_text.h"

namespace cli {

// Texts are UTF-8; an empty text is a value the logger did not report.
struct TStatusReport {
    std::string Port;  // port name ("ttyUSB0") or the path given with --port
    std::string Model;
    std::string Battery;                             // the "U?" answer as received (millivolts)
    std::optional<std::int64_t> BatteryMv;           // the same when it is a whole number
    std::string Clock;                               // logger time text of the logger's clock
    std::optional<std::int64_t> ClockOffsetSeconds;  // logger clock minus this computer's clock
    std::string Start, Stop;                         // logger time texts of the recording
    std::string Interval;                            // "hh:nn:ss"
    std::optional<std::int64_t> IntervalSeconds;
};

// A signed clock difference: "+0 s", "-2 s", "+1 h 02 min 05 s".
std::string FormatClockOffset(std::int64_t seconds);

// Aligned "Name: value" lines; values not reported show as "---".
std::string FormatStatusText(const TStatusReport& report);

// One JSON object on one line with the keys port, model, battery_mv (number, or null when the
// answer is not a whole number), battery (the answer and " mV"), clock, clock_offset_s, start, stop,
// interval, interval_s; a value not reported is null.
std::string FormatStatusJson(const TStatusReport& report);

}  // namespace cli

#pragma once
// The emulated logger: its clock, recording settings, readings and answers to commands, without
// any I/O. Times are whole seconds (or milliseconds) since 1899-12-30 00:00 local time, the epoch
// of the program's day counts.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace emulator {

// The host's local wall-clock time in milliseconds since the epoch.
using HostClock = std::function<std::int64_t()>;
std::int64_t SystemLocalMs();

// "yyyy-mm-dd hh:nn:ss" of a second count, always 19 characters (midnight included): a device
// answers in a fixed width, and the reading line needs its time in characters 1 to 19.
std::string LoggerTimeText(std::int64_t seconds);
// "hh:nn:ss" of a second count below one day.
std::string IntervalText(std::int64_t seconds);
// Logger time text -> seconds (anything the program's conversion accepts). Empty when invalid.
std::optional<std::int64_t> ParseLoggerTime(std::string_view text);
// Time text "h:n[:s]" -> seconds. Empty when invalid.
std::optional<std::int64_t> ParseIntervalText(std::string_view text);

struct ModelSettings {
    std::string Model = "KX-15-1";         // answer to "N?", sent as given (any text)
    std::int64_t ClockOffsetMs = 0;        // logger clock minus host clock at start
    std::optional<std::int64_t> StartSec;  // recording start; default: one day ago, whole minute
    std::optional<std::int64_t> StopSec;   // recording stop; default: 30 days after now
    std::int64_t IntervalSec = 60;         // 1 .. 86399
    // Exactly this many readings exist at start, the last one taken now (sets the start).
    std::optional<std::int64_t> Readings;
    // The recording starts this many seconds after the logger's clock at start (sets the start):
    // no reading exists yet.
    std::optional<std::int64_t> StartsInSec;
    // Readings the logger holds damaged: their second channel reads "     Err".
    std::vector<std::int64_t> BadReadings;
    int LinesPerRequest = 25;    // most lines in one "D?" answer
    int BatteryMv = 3612;        // answer to "U?"
    std::string CAnswer = "OK";  // answer to "C?"
};

// Readings are taken at start + i * interval for every i >= 0 whose time is at or before both
// the logger clock and the stop. Their values depend only on the index and the reading time.
class LoggerModel {
  public:
    explicit LoggerModel(const ModelSettings& settings, HostClock clock = SystemLocalMs);

    // The answer lines (without line ends) to one command (without its CR). No lines: no answer,
    // which is what the set commands, "E!", "d!" and anything unknown or malformed get.
    std::vector<std::string> Handle(std::string_view command);

    std::int64_t ClockMs() const;  // the logger clock now
    std::int64_t ClockSec() const;
    std::int64_t StartSec() const { return start_; }
    std::int64_t StopSec() const { return stop_; }
    std::int64_t IntervalSec() const { return interval_; }
    std::int64_t ReadingCount() const;
    // The reading line of an index (35 characters: time, channel 1 and channel 2 in 8 each); a
    // damaged one for the indices of ModelSettings::BadReadings.
    std::string ReadingLine(std::int64_t index) const;

  private:
    std::vector<std::string> Download(std::string_view indexText) const;

    ModelSettings settings_;
    HostClock clock_;
    std::int64_t offsetMs_;
    std::int64_t start_ = 0, stop_ = 0, interval_ = 60;
};

}  // namespace emulator

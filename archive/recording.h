#pragma once
// A recording as the logger describes it, and what the archive holds of it.
#include <cstdint>
#include <optional>
#include <string>

#include "base/logger_format.h"

namespace archive {

// Identifies a recording: the model ("N?"), the recording start ("R?") and the interval ("I?").
// The start counts in whole seconds (rounded to the millisecond, then truncated).
struct TRecordingKey {
    std::string Model;
    TDateTime Start = 0;
    std::int64_t IntervalSeconds = 0;  // > 0
    bool operator==(const TRecordingKey&) const = default;
};

// Inclusive range of reading indices.
struct TIndexRange {
    std::int64_t First = 0;
    std::int64_t Last = 0;
    std::int64_t Count() const { return Last - First + 1; }
    bool operator==(const TIndexRange&) const = default;
};

struct TRecordingSummary {
    std::int64_t Id = 0;
    TRecordingKey Key;
    std::int64_t Readings = 0;  // indices held (each once, whatever its state)
    std::optional<TDateTime> First;  // time of the lowest-index held reading that has one
    std::optional<TDateTime> Last;   // time of the highest-index held reading that has one
    std::optional<std::int64_t> LastDownloadUnix;  // UTC seconds of the latest download begun
    std::int64_t Damaged = 0;    // indices held only damaged or off their time
    std::int64_t Missing = 0;    // indices between the lowest and highest held that are absent
    std::int64_t Conflicts = 0;  // indices with more than one clean reading of different content
    std::int64_t Downloads = 0;  // downloads begun (interrupted ones included)
};

}  // namespace archive

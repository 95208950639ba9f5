#pragma once
// One reading row of the archive.
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "base/logger_format.h"
#include "logger/stored_reading.h"

namespace archive {

struct TArchivedReading {
    std::int64_t Id = 0;  // row id, in the order rows were added
    std::int64_t Index = 0;
    std::string Line;               // bytes as received (code page 1250), no line end
    std::optional<TDateTime> Time;  // characters 1-19 as a logger time, when they convert
    float Channel1 = NAN;           // as the data layer reads the line; NaN: does not convert
    float Channel2 = NAN;
    TReadingState State = TReadingState::Clean;
};

// A reading of the recording that is not simply held clean: damaged or off its time (Held), or
// clean with a second clean copy of other content (Held and Other).
struct TReadingIssue {
    std::int64_t Index = 0;
    TArchivedReading Held;                 // the reading the archive gives for this index
    std::optional<TArchivedReading> Other;  // conflicts: the first other clean copy
};

}  // namespace archive

#pragma once
// A reading the download kept, with its index and how it came: what a caller that keeps readings
// beyond the data panel (an archive) needs of each one.
#include <cstdint>
#include <string>

// How a kept reading came. The values are stored in files: never renumber them.
enum class TReadingState : std::int8_t {
    Clean = 0,    // a whole reading at its time
    Damaged = 1,  // kept as received, still not a reading line after asking again
    OffTime = 2,  // a reading whose time is not start + index x interval
};

struct TStoredReading {
    std::int64_t Index = 0;  // reading n of the recording, n intervals after its start
    std::string Line;        // bytes as received (code page 1250), without the line feed
    TReadingState State = TReadingState::Clean;

    bool operator==(const TStoredReading&) const = default;
};

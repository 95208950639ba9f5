#pragma once
// Whether a line received after "D?" is a reading the logger sent whole.
#include <cstddef>
#include <optional>
#include <string_view>

#include "base/logger_format.h"

namespace lorv {

// What a line received after "D?" is.
struct TLineCheck {
    // The line is a whole reading line (readings::TReadingNeed::WholeLine): its time and both
    // channels convert and nothing but blanks or a carriage return comes after character 35.
    bool Reading = false;
    // Characters 1 to 19 as a logger time, whenever they convert (also in a damaged line).
    std::optional<TDateTime> Time;
};

// Reading lines are parsed with anything after character 35 ignored; the download is stricter
// because noise bytes or a lost line feed leave bytes there while the fields may still convert
// (a digit pushed into the second channel shifts its last character out; two merged readings
// keep the first one's fields).
TLineCheck CheckReadingLine(std::string_view line, const LoggerFormat& format);

// A line read as noise in front of a reading: its last 35 characters (not counting the carriage
// returns that end it) checked as a whole reading line, and the bytes in front of them. Noise is 0
// and Check is empty for a line no longer than that; whether the reading is the one expected
// (its time) is for the caller to judge.
struct TNoisyLine {
    std::size_t Noise = 0;
    TLineCheck Check;
};
TNoisyLine CheckReadingBehindNoise(std::string_view line, const LoggerFormat& format);

}  // namespace lorv

#pragma once
// Whether a line received after "D?" is a reading the logger sent whole.
#include <optional>
#include <string_view>

#include "base/logger_format.h"

namespace lorv {

// What a line received after "D?" is.
struct TLineCheck {
    // The line has the layout of a reading line: characters 1 to 19 convert as a logger time,
    // characters 20 to 27 and 28 to 35 each follow the temperature rule, and nothing but blanks
    // or a carriage return comes after character 35.
    bool Reading = false;
    // Characters 1 to 19 as a logger time, whenever they convert (also in a damaged line).
    std::optional<TDateTime> Time;
};

// Reading lines are parsed with anything after character 35 ignored; the download is stricter
// because noise bytes or a lost line feed leave bytes there while the fields may still convert
// (a digit pushed into the second channel shifts its last character out; two merged readings
// keep the first one's fields).
TLineCheck CheckReadingLine(std::string_view line, const LoggerFormat& format);

}  // namespace lorv

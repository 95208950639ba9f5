#pragma once
// The command line of lorv304d-emulator.
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/emulator_session.h"
#include "emulator/logger_model.h"

namespace emulator {

struct Options {
    ModelSettings Model;
    FaultSettings Faults;
    std::string DeviceMapFile;  // empty: write none
    std::string CommandLogFile; // empty: keep none; else every command received is appended, one a line
    int SlowBytesMs = 0;        // pause between answer bytes, sent one by one
    int Baud = 0;               // 0: no pacing; else 10 bit times per byte at this rate
    bool Help = false;
    bool Version = false;
};

// Parses the arguments after the program name ("--name value" or "--name=value").
// Throws std::invalid_argument with a one-line reason for an unknown option, a missing or bad
// value, or more than one of --readings, --start and --start-in.
Options ParseOptions(const std::vector<std::string>& args);

std::string UsageText();

// Microseconds that one answer byte takes on the line: the larger of the --slow-bytes pause and
// ten bit times at --baud; 0 when neither is given (bytes go out as fast as the pty takes them).
std::int64_t BytePeriodUs(const Options& options);

}  // namespace emulator

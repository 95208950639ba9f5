#pragma once
// lorv304d-cli without its process: runs one command line against the serial ports and returns
// the exit status.
//
// Exit statuses: 0 done; 1 no logger found, or the logger did not answer (or answered something
// that does not convert); 2 usage error (the reason, then the usage text); 3 a file or port error
// (with the OS text); 4 a download that kept readings damaged, or skipped readings that kept
// coming misplaced (their indices named), or stats --fail-on-alarm with a rule that triggered;
// 5 readings, or an action on the logger, not archived
// (the archive could not be opened or written; the readings still went to -o or standard
// output); 6 erase refused because the archive lacks readings the logger holds (nothing sent);
// with archive verify, 1 when a chain does not check out; 128 + the signal number when a stop signal ended the
// run (watch: 0, the way it is meant to end) (a download keeps and writes what it received). Every error is one line
// "lorv304d-cli: <reason>" on `err`; a download that did not cover its range names the readings
// not received.
#include <csignal>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace cli {

inline constexpr int ExitOk = 0;
inline constexpr int ExitNoAnswer = 1;
inline constexpr int ExitUsage = 2;
inline constexpr int ExitFileOrPort = 3;
inline constexpr int ExitDamaged = 4;
inline constexpr int ExitNotArchived = 5;
inline constexpr int ExitUnarchived = 6;
inline constexpr int ExitNotSound = 1;
inline constexpr int ExitAlarm = 4;

struct TCliEnvironment {
    // Set by a signal handler to the signal number that asks the run to stop; may be null.
    const volatile std::sig_atomic_t* StopSignal = nullptr;
    // Whether `err` is a terminal (a redrawn progress bar instead of lines per 10 %).
    bool ErrIsTerminal = false;
    // The settings file whose own alarm profiles stats and report --profile may name; empty: none.
    std::string SettingsFile;
    // Makes the PDF report (the program's Gui part, which this layer does not link) with the own
    // profiles of the settings file; empty in a build without it. Returns the exit status;
    // messages go to the stream.
    std::function<int(const TCliOptions&, const std::string& settingsFile, std::ostream& err)> Report;
};

// `args` are the arguments after the program name. Results go to `out` (reading lines as
// code page 1250 bytes with CR LF), progress, messages and errors to `err`.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const TCliEnvironment& env);

}  // namespace cli

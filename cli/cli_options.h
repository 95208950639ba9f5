#pragma once
// The command line of lorv304d-cli: subcommands, their options and their usage texts.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/reading_export.h"

namespace cli {

enum class Command { None, Ports, Find, Status, Download, Start, Erase, Convert, Stats, Report };

struct TCliOptions {
    Command Cmd = Command::None;
    bool Help = false;
    bool Version = false;
    bool Quiet = false;
    std::string Port;                     // empty: search the ports
    std::string CommLog;                  // empty: write no communication log
    bool All = false;                     // ports
    bool Json = false;                    // status, stats
    std::optional<std::string> From, To;  // download, stats
    std::string Output;                   // download, convert; empty: standard output
    bool Append = false;                  // download (data files only)
    std::string Start, Stop, Interval;    // start, as typed (checked by the parser)
    bool Yes = false;                     // erase
    std::string File;                     // convert, stats: the data file read
    std::string Format;                   // convert: "csv" or "tsv"; download: also "log" (or empty)
    bool Utc = false;                     // convert, download with csv or tsv
    std::optional<double> Low, High;      // stats: limits in degrees Celsius
    std::optional<std::int64_t> Recording;  // report: the archived recording (instead of FILE)
    std::string Profile;                  // report: a built-in or own profile's name, or a profile file
    std::optional<std::int64_t> MktWindowSeconds;  // report: the rolling MKT's window
    std::string Lang = "pl";              // report: "pl" or "en"

    // The table that --format csv or tsv and --utc ask for; empty for data-file lines.
    std::optional<readings::TExportOptions> Table() const;
};

// A command line that cannot be run. what() is the one-line reason (for a bad time text the
// conversion message itself); Cmd names the subcommand whose usage text belongs to it (None: the
// general one).
class EUsageError : public std::runtime_error {
  public:
    EUsageError(Command cmd, const std::string& reason) : std::runtime_error(reason), Cmd(cmd) {}
    Command Cmd;
};

// Parses the arguments after the program name. Options go before or after the subcommand, as
// "--name value" or "--name=value". With --help or --version nothing else is checked. Otherwise throws
// EUsageError for an unknown command or option, an option the subcommand does not take, a missing
// value or a missing required option, erase without --yes, --append without -o, a download
// --format other than log, csv or tsv, --utc with data-file lines, --append with csv or tsv, a time text
// that does not convert ("'<text>' is not a valid date and time" for --from, --to, --start,
// --stop; "'<text>' is not a valid time" for --interval), --to before --from, and --stop not after
// --start. convert and stats take one FILE argument; convert needs --format csv or tsv; --low and
// --high are temperatures in the form of the reading lines, the low one not above the high one.
TCliOptions ParseCommandLine(const std::vector<std::string>& args);

// The usage text of a subcommand (None: the program's overview), ending with a line end. It is made
// from the same declarations as the parsing: one Add...Command function per command in
// cli_options.cpp declares its options, their help and the command's texts.
std::string UsageText(Command cmd);

}  // namespace cli

#pragma once
// The command line of lorv304d-cli: subcommands, their options and their usage texts.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/reading_export.h"

namespace cli {

enum class Command {
    None,
    Ports,
    Find,
    Status,
    Download,
    Start,
    Erase,
    Convert,
    Stats,
    Archive,  // the group; a command of it must follow
    ArchiveList,
    ArchiveShow,
    ArchiveExport,
    ArchiveImport,
    ArchiveVerify,
    Report,
    Watch,
};

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
    std::string Archive;                  // --archive: the archive file; empty: $LORV304D_ARCHIVE or the default
    bool NoArchive = false;               // download: keep the readings out of the archive
    bool New = false;                     // download: only the readings the archive lacks or holds damaged
    bool DiscardUnarchived = false;       // erase: also when the archive lacks readings the logger holds
    std::optional<std::int64_t> Recording;  // stats, convert, report (in place of FILE), archive show, export
    std::string Model;                    // archive import: the model the file's readings came from
    std::string Profile;                  // stats, report: a profile name or file; empty: none
    std::optional<std::int64_t> MktWindowSeconds;  // stats, report: the rolling MKT window
    bool FailOnAlarm = false;             // stats: exit status 4 when a rule triggered
    std::string Lang = "pl";              // report: "pl" or "en"
    bool Follow = false;                  // watch: stay connected and download each new reading
    std::string ReportDir;                // watch: write a PDF report per download here; empty: none

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
// --high are temperatures in the form of the reading lines, the low one not above the high one;
// --mkt-window is "<n>h" or "<n>d"; --fail-on-alarm needs --profile.
TCliOptions ParseCommandLine(const std::vector<std::string>& args);

// The usage text of a subcommand (None: the program's overview), ending with a line end. It is made
// from the same declarations as the parsing: one Add...Command function per command in
// cli_options.cpp declares its options, their help and the command's texts.
std::string UsageText(Command cmd);

}  // namespace cli

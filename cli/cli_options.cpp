#include "cli/cli_options.h"

#include "base/errors.h"
#include "base/logger_format.h"
#include "cli/command_line.h"
#include "data/alarm_rule.h"
#include "data/reading_line.h"

#include <stdexcept>

namespace cli {
namespace {

// A limit in the form of a temperature field of the reading lines ("." as decimal point). The
// command is named by the parser.
double Temperature(const std::string& text) {
    double value = 0;
    if (!readings::ParseTemperature(text, value))
        throw EUsageError(Command::None, "'" + text + "' is not a temperature");
    return value;
}

TDateTime CheckDateTime(Command cmd, const std::string& text) {
    try {
        return LoggerFormat().TextToDateTime(text);
    } catch (const EConvertError& e) {
        throw EUsageError(cmd, e.what());
    }
}

// An option whose value is kept only when it is given.
void AddOptional(CLI::App& app, const std::string& name, std::optional<std::string>& value, const std::string& type,
                 const std::string& description) {
    app.add_option_function<std::string>(
           name, [&value](const std::string& text) { value = text; }, description)
        ->type_name(type);
}

// A recording of the archive, by the ID that archive list shows.
void AddRecording(CLI::App& app, const std::string& name, std::optional<std::int64_t>& value,
                  const std::string& description) {
    app.add_option_function<std::int64_t>(
           name, [&value](const std::int64_t& id) { value = id; }, description)
        ->type_name("ID");
}

void AddLimit(CLI::App& app, const std::string& name, std::optional<double>& value, const std::string& description) {
    app.add_option_function<std::string>(
           name, [&value](const std::string& text) { value = Temperature(text); }, description)
        ->type_name("C");
}

// Options in this group get no row in the usage text: their command's description covers them.
const std::string kNoRow;

TCommandHelp ProgramHelp() {
    return {.Synopsis = "<command> [options]",
            .About = "Talks to the temperature logger on a USB serial port.\n",
            .Epilog =
                "Times T are \"yyyy-mm-dd hh:nn:ss\" or \"yyyy-mm-dd\".\n"
                "Exit status: 0 done, 1 no logger or no answer, 2 usage error, 3 file or port error\n"
                "(also no logger while a port would not open: each such port is named with the\n"
                "reason and the fix), 4 readings damaged or not received (stats --fail-on-alarm:\n"
                "a rule triggered), 5 readings (or an action on the logger) not archived, 6 erase\n"
                "refused: the archive lacks readings the logger holds, 128 + signal number when\n"
                "stopped by a signal (what came is kept; watch then ends with 0).\n"
                "The archive: --archive PATH, else $LORV304D_ARCHIVE, else\n"
                "$XDG_DATA_HOME/lorv304d/archive.sqlite3 (~/.local/share/lorv304d/).\n"
                "'lorv304d-cli <command> --help' describes one command.\n"};
}

void AddCommonOptions(CLI::App& app, TCliOptions& o) {
    app.add_option("--port", o.Port,
                   "use this port and skip the search: a device path (/dev/ttyUSB0)\n"
                   "or a port name as the port list shows it (ttyUSB0)")
        ->type_name("NAME");
    app.add_option("--comm-log", o.CommLog,
                   "write the commands sent and the answers received to FILE\n"
                   "(one \"command<TAB>answer\" line each), also when the command fails")
        ->type_name("FILE");
    app.add_option("--archive", o.Archive,
                   "the archive file to use (default: $LORV304D_ARCHIVE, else\n"
                   "$XDG_DATA_HOME/lorv304d/archive.sqlite3)")
        ->type_name("PATH");
    app.add_flag("-q,--quiet", o.Quiet, "no progress and no messages; results and errors only");
    app.add_flag("-h,--help", o.Help, "show this text");
    app.add_flag("--version", o.Version, "show the program's name and version");
}

void AddPortsCommand(TCommandLine& line, CLI::App& parent, TCliOptions& o) {
    CLI::App& c = line.AddCommand(
        parent, Command::Ports, "ports",
        {.Synopsis = "[--all]",
         .Brief = "the serial ports, one \"name:port\" a line, in search order",
         .About = "Lists the serial ports that the search probes, one \"name:port\" entry a line, in the\n"
                  "order they are probed.\n"});
    c.add_flag("--all", o.All, "also the ports that are not USB virtual COM ports");
}

void AddFindCommand(TCommandLine& line, CLI::App& parent, TCliOptions&) {
    line.AddCommand(parent, Command::Find, "find",
                    {.Synopsis = "[--port NAME]",
                     .Summary = "find",
                     .Brief = "search for the logger; print its port and model",
                     .About = "Searches the USB virtual COM ports for the logger and prints its port and model,\n"
                              "separated by a TAB. Exit status 1 and \"No device found\" when none answers; 3 when\n"
                              "a port would not open besides, with a line for each such port that says why and\n"
                              "what to do (join the group that owns it, close the program that holds it).\n"});
}

void AddStatusCommand(TCommandLine& line, CLI::App& parent, TCliOptions& o) {
    CLI::App& c =
        line.AddCommand(parent, Command::Status, "status",
                        {.Synopsis = "[--json]",
                         .Brief = "model, battery, clock and recording settings",
                         .About = "Prints the model, the battery voltage, the logger's clock and its difference from\n"
                                  "this computer's clock, and the recording start, stop and interval. The difference\n"
                                  "is taken when the clock's answer came, in whole seconds of both clocks (the logger\n"
                                  "gives no fraction of its second, so neither counts): a logger in step shows +0 s,\n"
                                  "one ahead of the computer a positive figure.\n"});
    c.add_flag("--json", o.Json, "the same as one JSON object (the difference: clock_offset_s)");
}

void AddDownloadCommand(TCommandLine& line, CLI::App& parent, TCliOptions& o) {
    CLI::App& c = line.AddCommand(
        parent, Command::Download, "download",
        {.Synopsis = "[--from T] [--to T] [--format log|csv|tsv] [--utc]\n[-o FILE] [--append]",
         .Summary = "download [--from T] [--to T] [--format F] [--utc] [-o FILE] [--append]",
         .Brief = "download readings to FILE or standard output\n(F: log, the data-file lines, or csv or tsv)",
         .About = "Downloads the readings of a time range as they arrive. Without options: from the\n"
                  "recording start to its stop or now. Both ends are included: a reading taken at T\n"
                  "belongs to the range.\n",
         .Epilog = "Every download is kept in the archive as well (exit status 5 and a line on\n"
                   "standard error when it cannot be: the readings are written all the same).\n"
                   "Ctrl+C stops the download; the readings received so far are written.\n"
                   "A damaged line is asked for again up to two times, then kept as received: exit\n"
                   "status 4 names its index. A recording that has not started yet is no error.\n"});
    AddOptional(c, "--from", o.From, "T", "first reading time (not before the recording start)");
    AddOptional(c, "--to", o.To, "T", "last reading time (not after the stop or now; not before --from)");
    c.add_option("--format", o.Format,
                 "log (the default): one reading line each as the logger sent\n"
                 "it, the data-file format (code page 1250, CR LF line ends);\n"
                 "csv, tsv: a header row, then the columns of convert (time\n"
                 "with this computer's UTC offset for it, t1_c, t2_c); a line\n"
                 "on standard error counts the readings, the lines skipped and\n"
                 "the times in a gap or fold of the clocks")
        ->type_name("log|csv|tsv");
    c.add_flag("--utc", o.Utc, "with csv or tsv: times in UTC (\"Z\") instead of local time");
    c.add_option("-o,--output", o.Output, "write FILE whole (replaced) instead of standard output")->type_name("FILE");
    c.add_flag("--append", o.Append,
               "FILE keeps its lines and gains only the readings newer than\n"
               "its last one; --from counts only while FILE holds no reading.\n"
               "Data files only: they are the record a later run resumes\n"
               "from; convert makes CSV or TSV of one at any time");
    c.add_flag("--new", o.New, "only the readings of the range that the archive lacks or holds damaged");
    c.add_flag("--no-archive", o.NoArchive, "keep this download out of the archive");
}

void AddStartCommand(TCommandLine& line, CLI::App& parent, TCliOptions& o) {
    CLI::App& c =
        line.AddCommand(parent, Command::Start, "start",
                        {.Synopsis = "--start T --stop T --interval hh:nn:ss",
                         .Brief = "set the logger's clock and a new recording",
                         .About = "Sets the logger's clock to this computer's time and starts a new recording. All\n"
                                  "texts are checked before anything is sent (the stop must come after the start); an\n"
                                  "interval below 2 s becomes 00:00:02.\n"});
    c.add_option("--start", o.Start, "the recording start")->type_name("T")->group(kNoRow);
    c.add_option("--stop", o.Stop, "the recording stop")->type_name("T")->group(kNoRow);
    c.add_option("--interval", o.Interval, "the time between two readings")->type_name("hh:nn:ss")->group(kNoRow);
}

void AddEraseCommand(TCommandLine& line, CLI::App& parent, TCliOptions& o) {
    CLI::App& c = line.AddCommand(parent, Command::Erase, "erase",
                                  {.Synopsis = "--yes [--discard-unarchived]",
                                   .Brief = "erase every reading on the logger",
                                   .About = "Erases every reading on the logger. Without --yes nothing is sent. While the\n"
                                            "archive lacks readings the logger holds, nothing is sent either: exit status 6\n"
                                            "and a line with their count.\n"});
    c.add_flag("--yes", o.Yes, "go ahead")->group(kNoRow);
    c.add_flag("--discard-unarchived", o.DiscardUnarchived, "erase also readings that are not in the archive");
}

void AddConvertCommand(TCommandLine& line, CLI::App& parent, TCliOptions& o) {
    CLI::App& c =
        line.AddCommand(parent, Command::Convert, "convert",
                        {.Synopsis = "FILE|--recording ID --format csv|tsv [-o OUT] [--utc]",
                         .Brief = "a data file as CSV or TSV for spreadsheets and scripts",
                         .About = "Writes the readings of a data file as CSV (RFC 4180, CR LF) or TSV (LF) with the\n"
                                  "columns time, t1_c and t2_c: the time in ISO 8601 with this computer's UTC offset\n"
                                  "for it, the temperatures as read. Lines that are no readings are skipped.\n"});
    c.add_option("FILE", o.File, "the data file");
    AddRecording(c, "--recording", o.Recording, "a recording of the archive in place of FILE");
    c.add_option("--format", o.Format, "the output format")->type_name("csv|tsv");
    c.add_option("-o,--output", o.Output, "write OUT whole (replaced) instead of standard output")->type_name("OUT");
    c.add_flag("--utc", o.Utc, "times in UTC (\"Z\") instead of local time");
}

void AddStatsCommand(TCommandLine& line, CLI::App& parent, TCliOptions& o) {
    CLI::App& c = line.AddCommand(
        parent, Command::Stats, "stats",
        {.Synopsis = "FILE|--recording ID [--low C] [--high C] [--from T] [--to T] [--json]\n"
                     "[--profile NAME|FILE] [--mkt-window W] [--fail-on-alarm]",
         .Summary = "stats FILE|--recording ID [--low C] [--high C] [--from T] [--to T] [--json] [--profile P] ...",
         .Brief = "statistics, mean kinetic temperature, gaps and alarm rules of a data file or recording",
         .About = "Prints for each channel the count, minimum and maximum with their times, mean,\n"
                  "standard deviation, mean kinetic temperature (dH/R = 10,000 K) and the time below\n"
                  "and above the limits; then the gaps, the readings out of time order and the\n"
                  "repeated times. With --profile, each rule of the profile (a rule on both channels\n"
                  "once per channel): whether it triggered, the time beyond its limit, the number of\n"
                  "excursions, the longest, and every excursion with its start, end, duration and\n"
                  "peak. With --mkt-window, the highest mean kinetic temperature of any window of\n"
                  "that length per channel.\n",
         .Epilog = "Profiles: the built-in 2-8, 15-25, frozen and who-indicator; \"limits\" (--low and\n"
                   "--high as two rules on both channels); the own profiles of the settings file\n"
                   "([Profil <name>] sections); else NAME is read as a profile file of one such section.\n"
                   "An unknown profile is a usage error (status 2), a faulty profile file a file error\n"
                   "(status 3, naming the line). Without --fail-on-alarm the status is 0 whatever\n"
                   "triggered.\n"});
    c.add_option("FILE", o.File, "the data file");
    AddRecording(c, "--recording", o.Recording, "a recording of the archive in place of FILE");
    AddLimit(c, "--low", o.Low, "limits in degrees Celsius (\".\" as decimal point)");
    AddLimit(c, "--high", o.High, "");
    AddOptional(c, "--from", o.From, "T", "only the readings of this range (both ends included)");
    AddOptional(c, "--to", o.To, "T", "");
    c.add_flag("--json", o.Json, "the same as one JSON object");
    c.add_option("--profile", o.Profile, "work out the rules of this alarm profile")->type_name("NAME|FILE");
    c.add_option_function<std::string>(
         "--mkt-window",
         [&o](const std::string& text) {
             o.MktWindowSeconds = readings::ParseMktWindow(text);
             if (!o.MktWindowSeconds)
                 throw EUsageError(Command::Stats, "'" + text + "' is not a window length (such as 24h or 30d)");
         },
         "the highest rolling MKT of windows this long: 24h, 30d, <n>h, <n>d")
        ->type_name("W");
    c.add_flag("--fail-on-alarm", o.FailOnAlarm, "exit status 4 when a rule of the profile triggered");
}

void AddArchiveCommands(TCommandLine& line, CLI::App& parent, TCliOptions& o) {
    CLI::App& group = line.AddCommand(
        parent, Command::Archive, "archive",
        {.Synopsis = "list|show|export|import|verify ...",
         .Brief = "the archive of every download: list, show, export, import, verify",
         .About = "Every download is kept in the archive, merged by recording (model, start, interval)\n"
                  "and reading index, with a record of each download and of each action on the logger,\n"
                  "covered by SHA-256 hash chains.\n"});
    CLI::App& list = line.AddCommand(group, Command::ArchiveList, "list",
                                     {.Synopsis = "[--json]",
                                      .Brief = "the recordings, one line each with its ID",
                                      .About = "Lists the recordings of the archive: ID, model, start, interval, readings held,\n"
                                               "first and last reading, last download (UTC), damaged, missing, conflicts,\n"
                                               "downloads.\n"});
    list.add_flag("--json", o.Json, "one JSON array of objects instead");
    CLI::App& show = line.AddCommand(group, Command::ArchiveShow, "show",
                                     {.Synopsis = "ID",
                                      .Brief = "one recording: its downloads, counts, gaps, damaged and conflicts",
                                      .About = "Shows one recording: its downloads with their reports, its counts, its gaps,\n"
                                               "its damaged readings and its conflicting ones.\n"});
    AddRecording(show, "ID", o.Recording, "the recording");
    CLI::App& exp = line.AddCommand(
        group, Command::ArchiveExport, "export",
        {.Synopsis = "ID [--format log|csv|tsv] [--utc] [-o OUT]",
         .Brief = "a recording's readings as data-file lines, CSV or TSV",
         .About = "Writes the readings of a recording in index order: --format log (the default) gives\n"
                  "the data-file lines, byte for byte what a clean download of them writes; csv and tsv\n"
                  "the columns of convert.\n"});
    AddRecording(exp, "ID", o.Recording, "the recording");
    exp.add_option("--format", o.Format, "the output format")->type_name("log|csv|tsv");
    exp.add_flag("--utc", o.Utc, "with csv or tsv: times in UTC (\"Z\") instead of local time");
    exp.add_option("-o,--output", o.Output, "write OUT whole (replaced) instead of standard output")->type_name("OUT");
    CLI::App& imp = line.AddCommand(
        group, Command::ArchiveImport, "import",
        {.Synopsis = "FILE --model NAME [--start T] [--interval hh:nn:ss]",
         .Brief = "take the readings of a data file into the archive",
         .About = "Takes the readings of a data file into the archive as readings of the recording of\n"
                  "that model, start and interval; each line goes to the index nearest to its time.\n"});
    imp.add_option("FILE", o.File, "the data file");
    imp.add_option("--model", o.Model, "the logger's model")->type_name("NAME");
    imp.add_option("--start", o.Start, "the recording start (default: the first reading)")->type_name("T");
    imp.add_option("--interval", o.Interval, "the interval (default: the most common spacing)")
        ->type_name("hh:nn:ss");
    line.AddCommand(group, Command::ArchiveVerify, "verify",
                    {.Synopsis = "",
                     .Brief = "check every hash chain",
                     .About = "Checks every hash chain of the archive: exit status 0 when all check out, else 1\n"
                              "with one line per reading or event altered, missing or inserted. Conflicting\n"
                              "readings are named too.\n"});
}

void AddReportCommand(TCommandLine& line, CLI::App& parent, TCliOptions& o) {
    CLI::App& c = line.AddCommand(
        parent, Command::Report, "report",
        {.Synopsis = "FILE|--recording ID [--profile P] [--mkt-window W] [--from T] [--to T] [--lang pl|en] -o OUT.pdf",
         .Brief = "a PDF/A report of a data file or an archived recording",
         .About = "Writes an A4 PDF/A-1b report: the source, a statement of completeness, the chart, the\n"
                  "statistics per channel with the mean kinetic temperature, the profile's rules and every\n"
                  "excursion, the gaps, the SHA-256 of the readings and a signature block. Needs no display.\n"
                  "A report of an archived recording is entered in the archive's audit trail.\n"});
    c.add_option("FILE", o.File, "the data file");
    c.add_option_function<std::string>(
         "--recording", [&o](const std::string& text) {
             try {
                 std::size_t used = 0;
                 const long long id = std::stoll(text, &used);
                 if (used != text.size() || id <= 0) throw std::invalid_argument(text);
                 o.Recording = id;
             } catch (const std::logic_error&) {
                 throw EUsageError(Command::Report, "'" + text + "' is not a recording id");
             }
         }, "the archived recording (its id, as the archive lists it)")
        ->type_name("ID");
    c.add_option("--profile", o.Profile, "the alarm profile: a built-in one, one of the settings file, or a profile file")
        ->type_name("P");
    c.add_option_function<std::string>(
         "--mkt-window", [&o](const std::string& text) {
             o.MktWindowSeconds = readings::ParseDuration(text);
             if (!o.MktWindowSeconds) throw EUsageError(Command::Report, "'" + text + "' is not a duration (90s, 30min, 24h, 2d)");
         }, "the window of the highest rolling MKT (90s, 30min, 24h, 2d)")
        ->type_name("W");
    AddOptional(c, "--from", o.From, "T", "only the readings of this range (both ends included)");
    AddOptional(c, "--to", o.To, "T", "");
    c.add_option("--lang", o.Lang, "the report's language (default pl)")->type_name("pl|en");
    c.add_option("-o,--output", o.Output, "the PDF written (whole, or not at all)")->type_name("OUT.pdf");
}

void AddWatchCommand(TCommandLine& line, CLI::App& parent, TCliOptions& o) {
    CLI::App& c = line.AddCommand(
        parent, Command::Watch, "watch",
        {.Synopsis = "[--follow] [--report-dir DIR] [--profile P] [--json]",
         .Brief = "download every logger plugged in, until stopped (SIGTERM, Ctrl+C)",
         .About = "Looks at the port list every second and asks each port that appears, once, for its\n"
                  "model. Of each logger found it downloads every reading of its recording that the\n"
                  "archive lacks or holds damaged, archives it chunk by chunk and lets the logger go;\n"
                  "then it waits for the logger to be unplugged. Ports that answer something else are\n"
                  "left alone until they go; a port that would not open is named once, with the reason\n"
                  "and the fix. One line per event on standard output.\n",
         .Epilog = "Runs until SIGTERM or SIGINT: a download under way ends after its chunk, what came\n"
                   "is archived, each logger connected gets \"d!\", and the exit status is 0. At the\n"
                   "start, an archive that cannot be opened or written is exit status 3.\n"});
    c.add_flag("--follow", o.Follow,
               "stay connected and download each new reading when it is taken,\n"
               "one line each, until the logger goes");
    c.add_option("--report-dir", o.ReportDir,
                 "write a PDF report of the recording to DIR after each download\n"
                 "(named from the model, the recording start and the time)")
        ->type_name("DIR");
    c.add_option("--profile", o.Profile, "tell each rule of this alarm profile that triggers (and use it in\nthe reports)")
        ->type_name("NAME|FILE");
    c.add_flag("--json", o.Json, "one JSON object per line instead");
}

// Every command and option of the program, bound to `o`; the order is the order of the help.
void DeclareCommandLine(TCommandLine& line, TCliOptions& o) {
    CLI::App& program = line.Program();
    AddCommonOptions(program, o);
    AddPortsCommand(line, program, o);
    AddFindCommand(line, program, o);
    AddStatusCommand(line, program, o);
    AddDownloadCommand(line, program, o);
    AddStartCommand(line, program, o);
    AddEraseCommand(line, program, o);
    AddConvertCommand(line, program, o);
    AddStatsCommand(line, program, o);
    AddArchiveCommands(line, program, o);
    AddReportCommand(line, program, o);
    AddWatchCommand(line, program, o);
}

}  // namespace

std::optional<readings::TExportOptions> TCliOptions::Table() const {
    if (Format != "csv" && Format != "tsv") return std::nullopt;
    readings::TExportOptions table;
    table.Format = Format == "tsv" ? readings::TExportFormat::Tsv : readings::TExportFormat::Csv;
    table.Utc = Utc;
    return table;
}

TCliOptions ParseCommandLine(const std::vector<std::string>& args) {
    TCliOptions o;
    TCommandLine line(ProgramHelp());
    DeclareCommandLine(line, o);
    const TParsedCommand parsed = line.Parse(args);
    o.Cmd = parsed.Cmd;
    if (o.Help || o.Version) return o;
    if (o.Cmd == Command::None) throw EUsageError(Command::None, "no command given");
    if (!parsed.Foreign.empty())
        throw EUsageError(o.Cmd, line.Name(o.Cmd) + " does not take the option " + parsed.Foreign.front());

    switch (o.Cmd) {
        case Command::Download:
            if (o.Append && o.Output.empty()) throw EUsageError(o.Cmd, "--append needs an output file (-o FILE)");
            if (!o.Format.empty() && o.Format != "log" && o.Format != "csv" && o.Format != "tsv")
                throw EUsageError(o.Cmd, "download takes --format log, csv or tsv");
            if (o.Utc && !o.Table()) throw EUsageError(o.Cmd, "--utc needs --format csv or tsv");
            // Appending resumes after the last reading line of a data file; a table made from
            // readings holds no such line, and convert makes one from the data file at any time.
            if (o.Append && o.Table())
                throw EUsageError(o.Cmd, "--append keeps a data file (--format log); convert it to " + o.Format);
            if (o.From) CheckDateTime(o.Cmd, *o.From);
            if (o.To) CheckDateTime(o.Cmd, *o.To);
            if (o.From && o.To && CheckDateTime(o.Cmd, *o.To) < CheckDateTime(o.Cmd, *o.From))
                throw EUsageError(o.Cmd, "--to " + *o.To + " is before --from " + *o.From);
            if (o.New && o.NoArchive) throw EUsageError(o.Cmd, "--new asks the archive; it cannot go with --no-archive");
            if (o.New && o.Append) throw EUsageError(o.Cmd, "--new cannot go with --append");
            break;
        case Command::Start:
            if (o.Start.empty() || o.Stop.empty() || o.Interval.empty())
                throw EUsageError(o.Cmd, "start needs --start, --stop and --interval");
            if (CheckDateTime(o.Cmd, o.Stop) <= CheckDateTime(o.Cmd, o.Start))
                throw EUsageError(o.Cmd, "--stop " + o.Stop + " is not after --start " + o.Start);
            try {
                LoggerFormat().TextToTime(o.Interval);
            } catch (const EConvertError& e) {
                throw EUsageError(o.Cmd, e.what());
            }
            break;
        case Command::Erase:
            if (!o.Yes) throw EUsageError(o.Cmd, "erase deletes every reading on the logger; give --yes to go ahead");
            break;
        case Command::Convert:
            if (o.File.empty() == !o.Recording)
                throw EUsageError(o.Cmd, "convert needs a data file or --recording ID (one of them)");
            if (!o.Table()) throw EUsageError(o.Cmd, "convert needs --format csv or tsv");
            break;
        case Command::Stats:
            if (o.File.empty() == !o.Recording)
                throw EUsageError(o.Cmd, "stats needs a data file or --recording ID (one of them)");
            if (o.From) CheckDateTime(o.Cmd, *o.From);
            if (o.To) CheckDateTime(o.Cmd, *o.To);
            if (o.Low && o.High && *o.Low > *o.High) throw EUsageError(o.Cmd, "--low is above --high");
            if (o.FailOnAlarm && o.Profile.empty()) throw EUsageError(o.Cmd, "--fail-on-alarm needs --profile");
            break;
        case Command::Archive:
            throw EUsageError(o.Cmd, "archive needs a command: list, show, export, import or verify");
        case Command::ArchiveShow:
        case Command::ArchiveExport:
            if (!o.Recording) throw EUsageError(o.Cmd, line.Name(o.Cmd) + " needs the ID of a recording");
            if (o.Cmd == Command::ArchiveExport) {
                if (!o.Format.empty() && o.Format != "log" && o.Format != "csv" && o.Format != "tsv")
                    throw EUsageError(o.Cmd, "export takes --format log, csv or tsv");
                if (o.Utc && !o.Table()) throw EUsageError(o.Cmd, "--utc needs --format csv or tsv");
            }
            break;
        case Command::ArchiveImport:
            if (o.File.empty()) throw EUsageError(o.Cmd, "import needs a data file");
            if (o.Model.empty()) throw EUsageError(o.Cmd, "import needs --model NAME");
            if (!o.Start.empty()) CheckDateTime(o.Cmd, o.Start);
            if (!o.Interval.empty()) {
                try {
                    if (SecondsBetween(0, LoggerFormat().TextToTime(o.Interval)) <= 0)
                        throw EUsageError(o.Cmd, "--interval must be at least one second");
                } catch (const EConvertError& e) {
                    throw EUsageError(o.Cmd, e.what());
                }
            }
            break;
        case Command::Report:
            if (o.File.empty() == !o.Recording) throw EUsageError(o.Cmd, "report needs a data file or --recording, not both");
            if (o.Output.empty()) throw EUsageError(o.Cmd, "report needs -o OUT.pdf");
            if (o.Lang != "pl" && o.Lang != "en") throw EUsageError(o.Cmd, "--lang is pl or en");
            if (o.From) CheckDateTime(o.Cmd, *o.From);
            if (o.To) CheckDateTime(o.Cmd, *o.To);
            if (o.From && o.To && CheckDateTime(o.Cmd, *o.To) < CheckDateTime(o.Cmd, *o.From))
                throw EUsageError(o.Cmd, "--to " + *o.To + " is before --from " + *o.From);
            break;
        default:
            break;
    }
    return o;
}

std::string UsageText(Command cmd) {
    TCliOptions unused;
    TCommandLine line(ProgramHelp());
    DeclareCommandLine(line, unused);
    return line.Usage(cmd);
}

}  // namespace cli

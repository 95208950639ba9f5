#include "cli/cli_options.h"

#include <algorithm>
#include <initializer_list>

#include "base/errors.h"
#include "base/logger_format.h"
#include "data/reading_line.h"

namespace cli {
namespace {

struct TCommandName {
    const char* Name;
    Command Cmd;
};
constexpr TCommandName kCommands[] = {{"ports", Command::Ports},     {"find", Command::Find},
                                      {"status", Command::Status},   {"download", Command::Download},
                                      {"start", Command::Start},     {"erase", Command::Erase},
                                      {"convert", Command::Convert}, {"stats", Command::Stats}};

const char* NameOf(Command cmd) {
    for (const auto& c : kCommands)
        if (c.Cmd == cmd) return c.Name;
    return "";
}

// Which subcommands take an option; an empty list means every one.
struct TOptionSpec {
    const char* Name;
    bool TakesValue;
    std::initializer_list<Command> Commands;
};

const TOptionSpec kOptions[] = {
    {"--port", true, {}},
    {"--comm-log", true, {}},
    {"--quiet", false, {}},
    {"--help", false, {}},
    {"--version", false, {}},
    {"--all", false, {Command::Ports}},
    {"--json", false, {Command::Status, Command::Stats}},
    {"--from", true, {Command::Download, Command::Stats}},
    {"--to", true, {Command::Download, Command::Stats}},
    {"--output", true, {Command::Download, Command::Convert}},
    {"--append", false, {Command::Download}},
    {"--start", true, {Command::Start}},
    {"--stop", true, {Command::Start}},
    {"--interval", true, {Command::Start}},
    {"--yes", false, {Command::Erase}},
    {"--format", true, {Command::Convert, Command::Download}},
    {"--utc", false, {Command::Convert, Command::Download}},
    {"--low", true, {Command::Stats}},
    {"--high", true, {Command::Stats}},
};

const TOptionSpec* FindOption(const std::string& name) {
    for (const auto& o : kOptions)
        if (name == o.Name) return &o;
    return nullptr;
}

std::string LongName(const std::string& arg) {
    if (arg == "-h") return "--help";
    if (arg == "-q") return "--quiet";
    if (arg == "-o") return "--output";
    return arg;
}

bool TakesFile(Command cmd) { return cmd == Command::Convert || cmd == Command::Stats; }

// A limit in the form of a temperature field of the reading lines ("." as decimal point).
double Temperature(Command cmd, const std::string& text) {
    double value = 0;
    if (!readings::ParseTemperature(text, value)) throw EUsageError(cmd, "'" + text + "' is not a temperature");
    return value;
}

TDateTime CheckDateTime(Command cmd, const std::string& text) {
    try {
        return LoggerFormat().TextToDateTime(text);
    } catch (const EConvertError& e) {
        throw EUsageError(cmd, e.what());
    }
}

const char* const kCommonOptions =
    "Common options:\n"
    "  --port NAME        use this port and skip the search: a device path (/dev/ttyUSB0)\n"
    "                     or a port name as the port list shows it (ttyUSB0)\n"
    "  --comm-log FILE    write the commands sent and the answers received to FILE\n"
    "                     (one \"command<TAB>answer\" line each), also when the command fails\n"
    "  -q, --quiet        no progress and no messages; results and errors only\n"
    "  -h, --help         show this text\n"
    "  --version          show the program's name and version\n";

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
    std::vector<std::string> used;  // long names given, to check against the subcommand
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            if (TakesFile(o.Cmd) && o.File.empty()) {
                o.File = arg;
                continue;
            }
            if (o.Cmd != Command::None) throw EUsageError(o.Cmd, "unexpected argument '" + arg + "'");
            const auto* c = std::find_if(std::begin(kCommands), std::end(kCommands),
                                         [&](const TCommandName& n) { return arg == n.Name; });
            if (c == std::end(kCommands)) throw EUsageError(Command::None, "unknown command '" + arg + "'");
            o.Cmd = c->Cmd;
            continue;
        }
        std::string name = LongName(arg);
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const TOptionSpec* option = FindOption(name);
        if (!option) throw EUsageError(o.Cmd, "unknown option '" + arg + "'");
        std::string value;
        if (option->TakesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else {
                if (i + 1 >= args.size()) throw EUsageError(o.Cmd, "option " + name + " needs a value");
                value = args[++i];
            }
            if (value.empty()) throw EUsageError(o.Cmd, "option " + name + " needs a value");
        } else if (inlineValue) {
            throw EUsageError(o.Cmd, "option " + name + " takes no value");
        }
        used.push_back(name);

        if (name == "--help")
            o.Help = true;
        else if (name == "--version")
            o.Version = true;
        else if (name == "--quiet")
            o.Quiet = true;
        else if (name == "--port")
            o.Port = value;
        else if (name == "--comm-log")
            o.CommLog = value;
        else if (name == "--all")
            o.All = true;
        else if (name == "--json")
            o.Json = true;
        else if (name == "--from")
            o.From = value;
        else if (name == "--to")
            o.To = value;
        else if (name == "--output")
            o.Output = value;
        else if (name == "--append")
            o.Append = true;
        else if (name == "--start")
            o.Start = value;
        else if (name == "--stop")
            o.Stop = value;
        else if (name == "--interval")
            o.Interval = value;
        else if (name == "--yes")
            o.Yes = true;
        else if (name == "--format")
            o.Format = value;
        else if (name == "--utc")
            o.Utc = true;
        else if (name == "--low")
            o.Low = Temperature(o.Cmd, value);
        else if (name == "--high")
            o.High = Temperature(o.Cmd, value);
    }
    if (o.Help || o.Version) return o;
    if (o.Cmd == Command::None) throw EUsageError(Command::None, "no command given");

    for (const std::string& name : used) {
        const TOptionSpec* option = FindOption(name);
        if (option->Commands.size() == 0) continue;
        if (std::find(option->Commands.begin(), option->Commands.end(), o.Cmd) == option->Commands.end())
            throw EUsageError(o.Cmd, std::string(NameOf(o.Cmd)) + " does not take the option " + name);
    }

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
            if (o.File.empty()) throw EUsageError(o.Cmd, "convert needs a data file");
            if (!o.Table()) throw EUsageError(o.Cmd, "convert needs --format csv or tsv");
            break;
        case Command::Stats:
            if (o.File.empty()) throw EUsageError(o.Cmd, "stats needs a data file");
            if (o.From) CheckDateTime(o.Cmd, *o.From);
            if (o.To) CheckDateTime(o.Cmd, *o.To);
            if (o.Low && o.High && *o.Low > *o.High) throw EUsageError(o.Cmd, "--low is above --high");
            break;
        default:
            break;
    }
    return o;
}

std::string UsageText(Command cmd) {
    std::string text;
    switch (cmd) {
        case Command::None:
            return "Usage: lorv304d-cli <command> [options]\n"
                   "Talks to the temperature logger on a USB serial port.\n"
                   "\n"
                   "Commands:\n"
                   "  ports [--all]      the serial ports, one \"name:port\" a line, in search order\n"
                   "  find               search for the logger; print its port and model\n"
                   "  status [--json]    model, battery, clock and recording settings\n"
                   "  download [--from T] [--to T] [--format F] [--utc] [-o FILE] [--append]\n"
                   "                     download readings to FILE or standard output\n"
                   "                     (F: log, the data-file lines, or csv or tsv)\n"
                   "  start --start T --stop T --interval hh:nn:ss\n"
                   "                     set the logger's clock and a new recording\n"
                   "  erase --yes        erase every reading on the logger\n"
                   "  convert FILE --format csv|tsv [-o OUT] [--utc]\n"
                   "                     a data file as CSV or TSV for spreadsheets and scripts\n"
                   "  stats FILE [--low C] [--high C] [--from T] [--to T] [--json]\n"
                   "                     statistics, mean kinetic temperature and gaps of a data file\n"
                   "\n" +
                   std::string(kCommonOptions) +
                   "\n"
                   "Times T are \"yyyy-mm-dd hh:nn:ss\" or \"yyyy-mm-dd\".\n"
                   "Exit status: 0 done, 1 no logger or no answer, 2 usage error, 3 file or port error\n"
                   "(also no logger while a port would not open: each such port is named with the\n"
                   "reason and the fix), 4 readings damaged or not received, 128 + signal number when\n"
                   "stopped by a signal (what came is kept).\n"
                   "'lorv304d-cli <command> --help' describes one command.\n";
        case Command::Ports:
            text =
                "Usage: lorv304d-cli ports [--all]\n"
                "Lists the serial ports that the search probes, one \"name:port\" entry a line, in the\n"
                "order they are probed.\n"
                "  --all              also the ports that are not USB virtual COM ports\n";
            break;
        case Command::Find:
            text =
                "Usage: lorv304d-cli find [--port NAME]\n"
                "Searches the USB virtual COM ports for the logger and prints its port and model,\n"
                "separated by a TAB. Exit status 1 and \"No device found\" when none answers; 3 when\n"
                "a port would not open besides, with a line for each such port that says why and\n"
                "what to do (join the group that owns it, close the program that holds it).\n";
            break;
        case Command::Status:
            text =
                "Usage: lorv304d-cli status [--json]\n"
                "Prints the model, the battery voltage, the logger's clock and its difference from\n"
                "this computer's clock, and the recording start, stop and interval. The difference\n"
                "is taken when the clock's answer came, in whole seconds of both clocks (the logger\n"
                "gives no fraction of its second, so neither counts): a logger in step shows +0 s,\n"
                "one ahead of the computer a positive figure.\n"
                "  --json             the same as one JSON object (the difference: clock_offset_s)\n";
            break;
        case Command::Download:
            text =
                "Usage: lorv304d-cli download [--from T] [--to T] [--format log|csv|tsv] [--utc]\n"
                "                             [-o FILE] [--append]\n"
                "Downloads the readings of a time range as they arrive. Without options: from the\n"
                "recording start to its stop or now. Both ends are included: a reading taken at T\n"
                "belongs to the range.\n"
                "  --from T           first reading time (not before the recording start)\n"
                "  --to T             last reading time (not after the stop or now; not before --from)\n"
                "  --format log|csv|tsv\n"
                "                     log (the default): one reading line each as the logger sent\n"
                "                     it, the data-file format (code page 1250, CR LF line ends);\n"
                "                     csv, tsv: a header row, then the columns of convert (time\n"
                "                     with this computer's UTC offset for it, t1_c, t2_c); a line\n"
                "                     on standard error counts the readings, the lines skipped and\n"
                "                     the times in a gap or fold of the clocks\n"
                "  --utc              with csv or tsv: times in UTC (\"Z\") instead of local time\n"
                "  -o, --output FILE  write FILE whole (replaced) instead of standard output\n"
                "  --append           FILE keeps its lines and gains only the readings newer than\n"
                "                     its last one; --from counts only while FILE holds no reading.\n"
                "                     Data files only: they are the record a later run resumes\n"
                "                     from; convert makes CSV or TSV of one at any time\n"
                "Ctrl+C stops the download; the readings received so far are written.\n"
                "A damaged line is asked for again up to two times, then kept as received: exit\n"
                "status 4 names its index. A recording that has not started yet is no error.\n";
            break;
        case Command::Start:
            text =
                "Usage: lorv304d-cli start --start T --stop T --interval hh:nn:ss\n"
                "Sets the logger's clock to this computer's time and starts a new recording. All\n"
                "texts are checked before anything is sent (the stop must come after the start); an\n"
                "interval below 2 s becomes 00:00:02.\n";
            break;
        case Command::Erase:
            text =
                "Usage: lorv304d-cli erase --yes\n"
                "Erases every reading on the logger. Without --yes nothing is sent.\n";
            break;
        case Command::Convert:
            text =
                "Usage: lorv304d-cli convert FILE --format csv|tsv [-o OUT] [--utc]\n"
                "Writes the readings of a data file as CSV (RFC 4180, CR LF) or TSV (LF) with the\n"
                "columns time, t1_c and t2_c: the time in ISO 8601 with this computer's UTC offset\n"
                "for it, the temperatures as read. Lines that are no readings are skipped.\n"
                "  --format csv|tsv   the output format\n"
                "  -o, --output OUT   write OUT whole (replaced) instead of standard output\n"
                "  --utc              times in UTC (\"Z\") instead of local time\n";
            break;
        case Command::Stats:
            text =
                "Usage: lorv304d-cli stats FILE [--low C] [--high C] [--from T] [--to T] [--json]\n"
                "Prints for each channel the count, minimum and maximum with their times, mean,\n"
                "standard deviation, mean kinetic temperature (dH/R = 10,000 K) and the time below\n"
                "and above the limits; then the gaps, the readings out of time order and the\n"
                "repeated times.\n"
                "  --low C, --high C  limits in degrees Celsius (\".\" as decimal point)\n"
                "  --from T, --to T   only the readings of this range (both ends included)\n"
                "  --json             the same as one JSON object\n";
            break;
    }
    return text + "\n" + kCommonOptions;
}

}  // namespace cli

#include "emulator/emulator_options.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <stdexcept>

namespace emulator {

namespace {

std::int64_t ParseInt(const std::string& name, const std::string& text, std::int64_t lo, std::int64_t hi) {
    std::int64_t value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (text.empty() || ec != std::errc() || ptr != last || value < lo || value > hi) {
        throw std::invalid_argument("--" + name + ": '" + text + "' is not a whole number from " + std::to_string(lo) +
                                    " to " + std::to_string(hi));
    }
    return value;
}

std::int64_t ParseTime(const std::string& name, const std::string& text) {
    const auto t = ParseLoggerTime(text);
    if (!t) throw std::invalid_argument("--" + name + ": '" + text + "' is not a logger time (yyyy-mm-dd hh:nn:ss)");
    return *t;
}

std::int64_t ParseInterval(const std::string& text) {
    std::int64_t seconds = 0;
    if (!text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        seconds = ParseInt("interval", text, 1, 86399);
    } else if (const auto t = ParseIntervalText(text)) {
        seconds = *t;
    } else {
        throw std::invalid_argument("--interval: '" + text + "' is not hh:nn:ss or a number of seconds");
    }
    if (seconds < 1) throw std::invalid_argument("--interval: the interval must be at least one second");
    return seconds;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
    constexpr std::int64_t kIntMax = std::numeric_limits<int>::max();
    Options o;
    bool startGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg.rfind("--", 0) != 0) throw std::invalid_argument("unexpected argument '" + arg + "'");
        std::string name = arg.substr(2), value;
        bool hasValue = false;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        auto flag = [&] {
            if (hasValue) throw std::invalid_argument("--" + name + " takes no value");
            return true;
        };
        auto take = [&]() -> std::string {
            if (hasValue) return value;
            if (i + 1 >= args.size()) throw std::invalid_argument("--" + name + " needs a value");
            return args[++i];
        };

        if (name == "help") {
            o.Help = flag();
        } else if (name == "version") {
            o.Version = flag();
        } else if (name == "model") {
            o.Model.Model = take();
        } else if (name == "clock-offset") {
            o.Model.ClockOffsetMs = ParseInt(name, take(), -400LL * 365 * 86400, 400LL * 365 * 86400) * 1000;
        } else if (name == "start") {
            o.Model.StartSec = ParseTime(name, take());
            startGiven = true;
        } else if (name == "stop") {
            o.Model.StopSec = ParseTime(name, take());
        } else if (name == "interval") {
            o.Model.IntervalSec = ParseInterval(take());
        } else if (name == "start-in") {
            o.Model.StartsInSec = ParseInt(name, take(), 1, 400LL * 365 * 86400);
        } else if (name == "bad-reading") {
            o.Model.BadReadings.push_back(ParseInt(name, take(), 0, 100'000'000));
        } else if (name == "readings") {
            o.Model.Readings = ParseInt(name, take(), 0, 100'000'000);
        } else if (name == "lines-per-request") {
            o.Model.LinesPerRequest = static_cast<int>(ParseInt(name, take(), 0, 1'000'000));
        } else if (name == "battery") {
            o.Model.BatteryMv = static_cast<int>(ParseInt(name, take(), 0, 99999));
        } else if (name == "c-answer") {
            o.Model.CAnswer = take();
        } else if (name == "devicemap") {
            o.DeviceMapFile = take();
            if (o.DeviceMapFile.empty()) throw std::invalid_argument("--devicemap needs a file name");
        } else if (name == "command-log") {
            o.CommandLogFile = take();
            if (o.CommandLogFile.empty()) throw std::invalid_argument("--command-log needs a file name");
        } else if (name == "crlf") {
            o.Faults.CrLf = flag();
        } else if (name == "silent") {
            o.Faults.Silent = flag();
        } else if (name == "silent-after") {
            o.Faults.SilentAfter = ParseInt(name, take(), 0, std::numeric_limits<std::int64_t>::max());
        } else if (name == "slow-bytes") {
            o.SlowBytesMs = static_cast<int>(ParseInt(name, take(), 0, 60'000));
        } else if (name == "cut-line") {
            o.Faults.CutLine = flag();
        } else if (name == "noise") {
            o.Faults.Noise = flag();
        } else if (name == "noise-seed") {
            o.Faults.NoiseSeed = static_cast<std::uint32_t>(ParseInt(name, take(), 1, 0xFFFFFFFFLL));
        } else if (name == "line-noise") {
            o.Faults.LineNoiseEvery = ParseInt(name, take(), 1, kIntMax);
        } else if (name == "lost-lf") {
            o.Faults.LostLineFeedEvery = ParseInt(name, take(), 1, kIntMax);
        } else if (name == "unplug-after") {
            o.Faults.UnplugAfter = ParseInt(name, take(), 1, kIntMax);
        } else if (name == "baud") {
            o.Baud = static_cast<int>(ParseInt(name, take(), 1, kIntMax));
        } else {
            throw std::invalid_argument("unknown option '--" + name + "'");
        }
    }
    if ((o.Model.Readings ? 1 : 0) + (startGiven ? 1 : 0) + (o.Model.StartsInSec ? 1 : 0) > 1)
        throw std::invalid_argument("--readings, --start and --start-in exclude each other");
    return o;
}

std::int64_t BytePeriodUs(const Options& options) {
    const std::int64_t slow = std::int64_t{options.SlowBytesMs} * 1000;
    // 8N1 puts ten bits on the line per byte: start, eight data bits, stop.
    const std::int64_t paced = options.Baud > 0 ? (10'000'000 + options.Baud - 1) / options.Baud : 0;
    return std::max(slow, paced);
}

std::string UsageText() {
    return R"(Usage: lorv304d-emulator [options]
A temperature logger on a pseudo-terminal. Prints the terminal's path as its first line, then
answers the logger commands until SIGTERM or SIGINT.

The logger:
  --model NAME             answer to "N?" (default KX-15-1; any text, sent as given)
  --clock-offset SECONDS   logger clock minus this computer's local time (default 0)
  --start TIME             recording start, "yyyy-mm-dd hh:nn:ss" (default one day ago)
  --stop TIME              recording stop (default 30 days from now)
  --interval T             recording interval, hh:nn:ss or seconds (default 00:01:00)
  --readings N             exactly N readings exist now, the last taken now (sets the start)
  --start-in SECONDS       the recording starts SECONDS after the logger's clock: no reading yet
  --lines-per-request N    most lines per "D?" answer (default 25)
  --battery MV             answer to "U?" in millivolts (default 3612)
  --c-answer TEXT          answer to "C?" (default OK)
  --bad-reading N          the logger holds reading N damaged ("Err" in its second channel);
                           may be given more than once
  --devicemap FILE         write "\Device\VCP0=<port>" to FILE for LORV304D_DEVICEMAP;
                           removed at exit
  --command-log FILE       append every command received to FILE, one a line, as it comes
Line faults:
  --crlf                   end answers with CR LF
  --silent                 never answer
  --silent-after N         answer only the first N commands
  --slow-bytes MS          send answers byte by byte, MS milliseconds apart
  --cut-line               cut the last line of the first "D?" answer in half, without line end
  --noise                  send 1 to 5 random bytes of line noise (NUL, ESC, CR, 0xFF, and
                           before reading lines a letter) before every answer (--noise-seed N)
  --line-noise N           put 1 to 3 random bytes inside every N-th reading line sent
                           (--noise-seed N)
  --lost-lf N              leave out the line feed after every N-th reading line sent
  --unplug-after N         after N reading lines in all, close the line under the program
                           once it has read them, and end
  --baud N                 pace answers at N baud, 10 bit times per byte
  --help                   show this text
  --version                show the program's name and version
)";
}

}  // namespace emulator

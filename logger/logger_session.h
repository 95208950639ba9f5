#pragma once
// The conversation with one logger: device search, status and settings, erase and download.
//
// A TLoggerSession holds the values kept from the logger and runs every protocol operation over
// one serial port. Each operation returns what it learned as a value (TSearchResult,
// TLoggerStatus, TDownloadReport); the host only logs the exchange, runs events and receives
// readings and progress. The window's handlers and the command-line tool call the same operations
// and make their own texts. The port and the host must outlive the session and must not be
// destroyed while an operation runs (the download lets host events run; a host that closes during
// it must make DownloadWanted() return false and free the session only after DownloadReadings
// returned).
//
// Errors: texts that are not times throw EConvertError ("'<text>' is not a valid date and time",
// "'<text>' is not a valid time", "'<n>' is not a valid integer value" for an index beyond 32
// bits); a read range without a known interval throws lorv::ERangeError; the port list may throw
// ERegistryError. Answers that are not times do not throw: TLoggerStatus::Failure carries them.
// The serial port itself never throws: its failures show in the results.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/logger_format.h"
#include "logger/download_report.h"
#include "logger/logger_status.h"
#include "logger/probe_result.h"

class TSerialPort;
class TLoggerHost;

namespace lorv {
// Model names that identify the logger in the answer to "N?" (exact, case-sensitive match).
bool IsLoggerModel(const std::string& answer);
// The model an answer to "N?" names: the answer itself when it is a model name, or its text after
// leading noise bytes (control characters, 0xFF) and before one final carriage return when that
// is. Empty otherwise (a trailing blank, another letter case or a letter in front is no match).
std::string ModelInAnswer(const std::string& answer);
}  // namespace lorv

class TLoggerSession {
  public:
    TLoggerSession(TSerialPort& port, TLoggerHost& host);

    // --- values kept from the logger (all 0 at start; RecInterval is set by the caller from
    // its settings file) ---
    bool Connected = false;               // outcome of the last search
    std::string ModelAnswer;              // answer of the last port probed (the model after a success)
    TDateTime LoggerClock = 0;            // logger clock as last read by "T?"
    TDateTime RecStart = 0;               // recording start
    TDateTime RecStop = 0;                // recording stop
    TDateTime RecInterval = 0;            // recording interval as a time of day
    std::int64_t RecIntervalSeconds = 0;  // RecInterval in whole seconds (0: not known yet)
    std::vector<std::string> PortList;    // entries "valueName:portName" of the last search
    std::string LastReadingLine;          // last line the download stored; lives for the whole run

    // --- seams, replaceable by tests and tools ---
    LoggerFormat Format;
    std::function<TDateTime()> CurrentTime;     // local date and time now; default Now()
    std::function<std::int64_t()> MonotonicMs;  // monotonic milliseconds; default steady clock
    std::function<void(int)> Pause;             // blocking pause in ms; default sleep

    // One probe: closes the open port, opens `devicePath` at 115200 8N1 without flow control,
    // writes "N?" (not logged) and waits up to 1000 ms for the answer. A port that does not open
    // costs no wait. The port stays open whatever the answer. An answer that names a model
    // behind line noise (lorv::ModelInAnswer) is a logger, and its Answer is the bare model name.
    TProbeResult ProbePort(const std::string& portName, const std::string& devicePath);

    // Lists the VCP ports and probes each as "\\.\" + its name, from the last entry to the first,
    // telling the host before each probe and after each that found no logger. Ends at the first
    // answer that is a model name, with that port open; without one the port is closed.
    TSearchResult FindDevice();

    // The connect button without its window steps: DiscardAll, FindDevice, Connected and
    // ModelAnswer from its outcome. The caller then reads the clock and battery.
    TSearchResult Connect();
    // The same over one given port instead of the search (the command-line tool's --port).
    TSearchResult ConnectPort(const std::string& portName, const std::string& devicePath);

    // Full settings read: DiscardAll, then "T?", "R?", "S?", "I?", "C?", "U?". Each non-empty
    // answer sets its value here and in the result; an empty one leaves both as they were. A
    // clock, start, stop or interval answer that does not convert ends the read there
    // (TLoggerStatus::Failure). (The window runs it only when Connected.)
    TLoggerStatus ReadLoggerSettings();

    // Short read after connecting: DiscardAll, "T?", "U?".
    TLoggerStatus ReadClockAndBattery();

    // Sets up a recording: converts the three texts first and, when one fails, throws its
    // EConvertError having sent nothing. Then DiscardAll and, each written, logged and followed
    // by a 50 ms pause: "T!" + the computer's time, "R!" + startText, "S!" + stopText,
    // "I!" + periodText. RecStart and RecStop take the texts' values; RecIntervalSeconds is worked
    // out from RecInterval (the interval last read), not from periodText. (The window runs it
    // only when Connected.)
    void WriteLoggerSettings(const std::string& startText, const std::string& stopText, const std::string& periodText);

    // Posts "E!" and pauses 1000 ms (whether or not a port is open; ask the user first).
    void EraseLogger();

    // The logger clock to display: the last "T?" answer plus the monotonic time since it came.
    TDateTime DisplayedLoggerClock() const;
    // The logger's clock now as far as it is known: DisplayedLoggerClock() once a clock answer
    // came, the computer's time before.
    TDateTime LoggerClockNow() const;

    // The window's download range from its range texts: First is the reading nearest to
    // `fromText`; while the recording runs (now before RecStop) `toText` becomes now's logger time
    // text; End is the reading nearest to `toText`. Whole chunks are kept. Throws EConvertError
    // for a text that is not a logger time, lorv::ERangeError when RecIntervalSeconds is 0.
    TDownloadRange ComputeReadRange(const std::string& fromText, std::string& toText) const;

    // Downloads the readings of `range` (see reading_download.h), handing each reading to the host
    // as it is stored and the progress after each chunk. A recording that starts after the
    // logger's clock has no reading yet: nothing is sent and the report ends NotStarted. Throws
    // EConvertError when an index does not fit 32 bits.
    TDownloadReport DownloadReadings(const TDownloadRange& range);

    // True while DownloadReadings runs (the host may call into the session from its event pump).
    bool Downloading() const { return downloading_; }

  private:
    TSerialPort& port_;
    TLoggerHost& host_;
    std::int64_t clockReadAtMs_ = 0;
    bool clockKnown_ = false;
    bool downloading_ = false;

    void ReadClock(TLoggerStatus& status);
    void ReadVoltage(TLoggerStatus& status);
    TDateTime ToLoggerTime(const std::string& text) const;
};

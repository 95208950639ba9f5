#pragma once
// The conversation with one logger: device search, status and settings, erase and download.
//
// A TLoggerSession holds the values kept from the logger and runs every protocol operation over
// one serial port, reporting to a TLoggerHost (log, status line, fields, data panel, event pump).
// It knows no widget: the window's handlers and a command-line tool call the same operations.
// The port and the host must outlive the session and must not be destroyed while an operation
// runs (the download lets host events run; a host that closes during it must make
// DownloadWanted() return false and free the session only after DownloadReadings returned).
//
// Errors: conversion failures throw EConvertError (text "'<text>' is not a valid date and time",
// "'<text>' is not a valid time" or "'<text>' is not a valid integer value"); a read range without
// a known interval throws lorv::ERangeError; the port list may throw ERegistryError. The serial
// port itself never throws: its failures show as empty answers.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/logger_format.h"

class TSerialPort;
class TLoggerHost;

namespace lorv {
// Model names that identify the logger in the answer to "N?" (exact, case-sensitive match).
bool IsLoggerModel(const std::string& answer);
}  // namespace lorv

class TLoggerSession {
  public:
    // Outcome of DownloadReadings.
    struct DownloadResult {
        bool Started = false;     // false: first and end index were equal ("Brak nowych danych !")
        std::int32_t First = 0;   // first index requested
        std::int32_t End = 0;     // end index of the range
        std::int32_t Next = 0;    // next index that would be requested
        std::int64_t Stored = 0;  // lines appended to the data panel
    };

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
    std::int64_t ReadFirstIndex = 0;      // first index of the next download (moved on after each chunk)
    std::int64_t ReadEndIndex = 0;        // end index of the next download

    // --- seams, replaceable by tests and tools ---
    LoggerFormat Format;
    std::function<TDateTime()> CurrentTime;     // local date and time now; default Now()
    std::function<std::int64_t()> MonotonicMs;  // monotonic milliseconds; default steady clock
    std::function<void(int)> Pause;             // blocking pause in ms; default sleep

    // Lists the VCP ports and probes them from the last entry to the first: opens "\\.\" + name at
    // 115200 8N1 without flow control, writes "N?" (not logged) and waits up to 1000 ms for the
    // answer. Stops at the first answer that is a model name, leaving that port open, and returns
    // true. Without success the port is closed and false returned. `answer` receives the answer
    // of the last port probed (empty when none was probed). Shows each port name in the status line.
    bool FindDevice(std::string& answer);

    // The connect button without its window steps (clearing the data, the "No device found" box):
    // DiscardAll, FindDevice, Connected = its result; on success shows the model, the status
    // "Połączono z <model>", refreshes the markers and runs ReadClockAndBattery. Returns Connected.
    bool Connect();

    // Full settings read: DiscardAll, then "T?", "R?", "S?", "I?", "C?", "U?". Each non-empty
    // answer fills its values and fields; an empty one leaves them as they were. The first "R?"
    // answer starts the clock timer; the "S?" answer proposes the read range end (the answer
    // itself when the stop is past, else now). A clock, start, stop or interval answer that does
    // not convert throws EConvertError and ends the read there. (The window runs it only when
    // Connected.)
    void ReadLoggerSettings();

    // Short read after connecting: DiscardAll, "T?", "U?" (the clock timer is not started).
    void ReadClockAndBattery();

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

    // Works out the download range from the read-range texts: ReadFirstIndex from `fromText`,
    // then, while the recording runs (now before RecStop), the range end becomes now and is shown
    // in the ReadStop field; ReadEndIndex from the end text. Indices are the nearest readings.
    // Throws EConvertError for a text that is not a logger time, lorv::ERangeError when
    // RecIntervalSeconds is 0.
    void ComputeReadRange(const std::string& fromText, const std::string& toText);

    // Downloads readings ReadFirstIndex .. ReadEndIndex: "D?" + index (posted), then up to 25
    // lines per chunk with a 500 ms line time-out, progress "<n>%" in the status line, events run
    // between lines and chunks. Ends when the range is covered or DownloadWanted() turns false.
    // Afterwards ReadStart and ReadStop show the time of LastReadingLine (first 19 characters).
    // With equal indices it only shows "Brak nowych danych !" and returns Started false.
    // Throws EConvertError when an index does not fit 32 bits.
    DownloadResult DownloadReadings();

    // Receives the lines of one chunk: reads lines (500 ms time-out each) until `limit` lines came,
    // a wait times out or the download is no longer wanted. Every line that differs from
    // LastReadingLine is appended and becomes LastReadingLine. Returns the lines received,
    // dropped repeats included.
    std::int32_t ReceiveReadings(std::int32_t limit);

    // True while DownloadReadings runs (the host may call into the session from its event pump).
    bool Downloading() const { return downloading_; }

  private:
    TSerialPort& port_;
    TLoggerHost& host_;
    std::int64_t clockReadAtMs_ = 0;
    std::int64_t stored_ = 0;
    bool downloading_ = false;

    void ReadClock();
    void ReadVoltage();
    TDateTime ToLoggerTime(const std::string& text) const;
};

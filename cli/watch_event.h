#pragma once
// What the watch has to tell, as values: one event per line of its output. watch_lines.h words
// them as text or as JSON.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "archive/archive_error.h"
#include "base/logger_format.h"
#include "data/alarm_evaluation.h"
#include "data/alarm_rule.h"
#include "logger/download_report.h"
#include "serial/port_diagnosis.h"

namespace cli {

// The watch began: the archive it keeps the readings in, whether it follows recordings.
struct TWatchStarted {
    std::string Archive;
    bool Follow = false;
};

// A port answered as a logger; its status as read.
struct TLoggerFound {
    std::string Port, Model;  // the model in code page 1250, as received
    TDateTime Start = 0, Stop = 0;
    std::int64_t IntervalSeconds = 0;
    std::optional<std::int64_t> ClockOffsetSeconds;
    std::optional<std::int64_t> BatteryMv;
};

// A port answered something else, or nothing: left alone until it goes.
struct TOtherDevice {
    std::string Port;
    std::string Answer;  // bytes as received; empty: no answer
};

// A port would not open (named once per reason).
struct TPortUnavailable {
    TPortDiagnosis Diagnosis;
};

// A logger that cannot be downloaded: an answer that is no time, or none to a needed command.
struct TLoggerTrouble {
    std::string Port, Model;
    std::string Reason;  // English, one line
};

// A download ended (the catch-up after a plug-in, or one of a followed recording).
struct TReadingsDownloaded {
    std::string Port, Model;
    bool Follow = false;            // one of a followed recording
    std::int64_t Wanted = 0;        // readings asked for (those the archive lacked or held damaged)
    TDownloadReport Report;         // how it went (ReadingsStored: received)
    std::optional<std::int64_t> RecordingId;
    // The recording in the archive after it: readings expected (index 0 up to the last the logger
    // holds) and held clean or damaged; none when the archive could not say.
    std::optional<std::int64_t> Expected, Held;
    bool NotStarted = false;  // the recording has not begun: nothing was asked for
};

// A reading of a followed recording, as it came.
struct TReadingTaken {
    std::string Port, Model;
    std::int64_t Index = 0;
    std::string Line;  // code page 1250, as received
};

// Readings that did not go into the archive.
struct TNotArchived {
    std::string Port, Model;
    std::int64_t Readings = 0;
    archive::EArchiveError Error;
};

struct TReportWritten {
    std::string Port, Model;
    std::string File;
};

// No report for a download: the archive lacks the recording, or the report failed (its own
// message went to standard error).
struct TReportFailed {
    std::string Port, Model;
    std::string File;  // empty: none was begun
    std::string Reason;
};

// A rule of the profile triggered on a recording (told again when it has more excursions).
struct TAlarmTriggered {
    std::string Port, Model;
    std::optional<std::int64_t> RecordingId;
    std::string Profile;
    std::size_t RuleNumber = 0;  // from 1, in the profile's order
    readings::TAlarmRule Rule;
    readings::TRuleResult Result;
};

// A logger's port went (unplugged, or it failed under a download).
struct TLoggerGone {
    std::string Port, Model;
};

// The watch ends for a stop signal.
struct TWatchStopped {
    int Signal = 0;
};

using TWatchEvent = std::variant<TWatchStarted, TLoggerFound, TOtherDevice, TPortUnavailable, TLoggerTrouble,
                                 TReadingsDownloaded, TReadingTaken, TNotArchived, TReportWritten, TReportFailed,
                                 TAlarmTriggered, TLoggerGone, TWatchStopped>;

}  // namespace cli

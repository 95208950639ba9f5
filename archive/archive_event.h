#pragma once
// The audit trail: who did what to a logger or to the archive, appended and never changed.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "archive/recording.h"
#include "base/logger_format.h"
#include "logger/download_report.h"
#include "logger/stored_reading.h"

namespace archive {

// Who acted, when and with what.
struct TActor {
    std::int64_t WhenUnix = 0;         // UTC, seconds since 1970-01-01
    std::int32_t UtcOffsetSeconds = 0;  // the computer's offset from UTC at that moment
    std::string Computer;              // host name
    std::string User;                  // login name
    std::string ProgramVersion;        // e.g. "lorv304d-cli 1.0"

    // Now, this computer and this user; `program` names the program and its version.
    static TActor Current(const std::string& program);
};

// A download ended (or was given up by the program); its whole report.
struct TDownloadEnded {
    TDownloadReport Report;
};
// "Start rejestracji" / start: the settings written to the logger.
struct TRecordingStarted {
    std::string Model;
    std::string Port;
    TDateTime ClockSet = 0;  // the computer's time sent with "T!"
    TDateTime Start = 0;
    TDateTime Stop = 0;
    std::int64_t IntervalSeconds = 0;
};
// "Kasowanie Danych" / erase: "E!" was sent.
struct TLoggerErased {
    std::string Model;
    std::string Port;
    std::optional<TRecordingKey> Recording;  // when the settings were read before
    std::optional<std::int64_t> HeldReadings;  // readings the logger held by its status
    std::int64_t UnarchivedReadings = 0;       // of those, readings the archive lacked
};
// A data file taken into the archive.
struct TReadingsImported {
    std::string File;
    std::int64_t Lines = 0;    // lines of the file
    std::int64_t Added = 0;    // reading rows added
    std::int64_t Skipped = 0;  // lines with no time to place them by
};
// Readings of a recording written out of the archive.
struct TReadingsExported {
    std::string File;    // empty: standard output
    std::string Format;  // "log", "csv", "tsv"
    bool Utc = false;
    std::int64_t Readings = 0;
};
// A report made from the archive.
struct TReportMade {
    std::optional<TDateTime> From;
    std::optional<TDateTime> To;
    std::string Profile;
    std::string File;
    std::string Sha256Hex;  // of the report file
};
// A damaged or off-time reading replaced by a clean copy (the old row stays in the archive).
struct TReadingReplaced {
    std::int64_t Index = 0;
    std::string OldLine;
    std::string NewLine;
    TReadingState OldState = TReadingState::Damaged;  // why: it was damaged or off its time
};
// A clean reading came again with other content; both are kept, the first stays the one given.
struct TReadingConflict {
    std::int64_t Index = 0;
    std::string ArchivedLine;
    std::string NewLine;
};

using TEventDetails = std::variant<TDownloadEnded, TRecordingStarted, TLoggerErased, TReadingsImported,
                                   TReadingsExported, TReportMade, TReadingReplaced, TReadingConflict>;

// The kind of an event, in the order of TEventDetails. Stored by name ("download", "start",
// "erase", "import", "export", "report", "replaced", "conflict").
enum class TEventKind { Download, Start, Erase, Import, Export, Report, Replaced, Conflict };
const char* EventKindName(TEventKind kind);

struct TEvent {
    std::int64_t Id = 0;
    TActor Actor;
    std::optional<std::int64_t> RecordingId;
    std::optional<std::int64_t> DownloadId;
    TEventDetails Details;

    TEventKind Kind() const { return static_cast<TEventKind>(Details.index()); }
};

}  // namespace archive

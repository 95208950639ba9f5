#pragma once
// The download of readings by index, as values: the range asked for, the progress after each
// chunk and the report of how it went.
#include <cstdint>
#include <string>
#include <vector>

// The readings to fetch. Reading n of a recording is the one taken n intervals after its start.
struct TDownloadRange {
    std::int64_t First = 0;  // index of the first reading to ask for
    std::int64_t End = 0;    // index of the last reading of the range; below First: one chunk only
    // Keep every line of the last chunk, also those beyond End (the window stores whole chunks).
    // Otherwise lines beyond End are neither stored nor counted.
    bool WholeChunks = true;
};

// Where a running download stands, after each chunk.
struct TDownloadProgress {
    std::int64_t First = 0;
    std::int64_t End = 0;
    std::int64_t Next = 0;            // the next index to ask for
    std::int64_t ReadingsStored = 0;  // readings handed to the host so far
};

// Why a download ended.
enum class TDownloadEnd {
    RangeCovered,   // every index up to End came, or the logger holds nothing more (not recorded yet)
    StoppedByUser,  // the host no longer wanted it
    LoggerSilent,   // the logger sent no line for Next, asked SilentRequestLimit times
    PortFailure,    // a read or write failed with an error other than the line time-out
    NotStarted,     // the recording starts after the logger's clock: nothing was sent
};

struct TDownloadReport {
    std::int64_t First = 0;
    std::int64_t End = 0;
    std::int64_t Next = 0;                  // the next index that would be asked for
    std::int64_t LinesReceived = 0;         // every line read, repeats and damaged ones included
    std::int64_t ReadingsStored = 0;        // lines handed to the host as readings
    std::int64_t RepeatsDropped = 0;        // lines equal to the last stored one, dropped
    std::int64_t Rerequested = 0;           // requests made again because a line was damaged or off its time
    // Bytes of line noise dropped in front of readings (a clean reading line with the expected time
    // at the end of a longer line), and the readings they stood in front of. Not damage.
    std::int64_t NoiseDropped = 0;
    std::int64_t ReadingsBehindNoise = 0;
    std::vector<std::int64_t> DamagedKept;  // indices of lines kept as received, still damaged after two repeats
    std::vector<std::int64_t> OffTimeKept;  // indices of readings kept whose time is not start + index x interval
    std::vector<std::int64_t> Missing;      // indices skipped: the readings after them kept coming in their place
    TDownloadEnd Ending = TDownloadEnd::RangeCovered;
    std::int32_t PortError = 0;  // PortFailure: the port's error code (an errno value for OS errors)
    std::string PortErrorText;   // PortFailure: its text ("Input/output error")

    // The range came whole and every reading was clean.
    bool Complete() const {
        return Ending == TDownloadEnd::RangeCovered && DamagedKept.empty() && OffTimeKept.empty() && Missing.empty();
    }
};

// Adds the report of a later download of the same run (the next range of several, or the next
// download of a followed recording) to `whole`: counts and index lists summed; the end, the next
// index and how it ended (with any port error) taken from `later`. First stays.
void AppendDownloadReport(TDownloadReport& whole, const TDownloadReport& later);

// One way a finished download fell short, as facts; the window and the command line each word
// them in their own language.
struct TDownloadShortfall {
    enum class TKind {
        PortFailure,    // the port failed (PortError, PortErrorText) at reading Next
        StoppedByUser,  // the host stopped it before reading Next
        LoggerSilent,   // the logger sent nothing for reading Next, asked SilentRequestLimit times
        NotStarted,     // the recording starts after the logger's clock: nothing was asked for
        Missing,        // Readings were not received, those after them kept coming in their place
        DamagedKept,    // Readings were kept as received, still damaged
        OffTimeKept,    // Readings were kept whose time is not the recording start plus index x interval
    };
    TKind Kind = TKind::PortFailure;
    std::int64_t Next = 0;  // ended early: the first reading not asked for any more
    std::int64_t End = 0;   // ended early: the last reading of the range (Next > End: none was left)
    std::vector<std::int64_t> Readings;  // Missing, DamagedKept, OffTimeKept: the indices
    std::int32_t PortError = 0;          // PortFailure: the port's error code
    std::string PortErrorText;           // PortFailure: its text ("Input/output error")
};

// The shortfalls of `report` in the order to name them: why it ended early, if it did, then the
// readings missing, damaged and off their time. Empty for a Complete() download.
std::vector<TDownloadShortfall> DownloadShortfalls(const TDownloadReport& report);

// "12, 37, 40" for a list of indices; after `most` of them " and <n> more".
std::string IndexListText(const std::vector<std::int64_t>& indices, std::size_t most = 10);

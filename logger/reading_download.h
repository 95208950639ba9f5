#pragma once
// One download of readings by index: "D?" + index chunk by chunk, every line checked, a damaged or
// misplaced one asked for again, the readings handed to the host in index order.
//
// A line that ends in the clean reading expected at its index, with bytes in front of it (noise an
// adapter sends before an answer), is that reading: the bytes are dropped and counted
// (TDownloadReport::NoiseDropped), never taken for damage.
//
// Per chunk: the port's input and line buffer are cleared (unfinished bytes of an earlier chunk
// belong to a reading the index never counted), "D?" + index is posted and up to ChunkLimit lines
// are read, each within LineTimeoutMs of silence; the index moves on by the lines received. A
// line equal to the last stored one is dropped as a repeat. A line that is not a reading
// (lorv::CheckReadingLine), or the reading of another index, is asked for again from its index
// at most DamagedRepeats more times; then a damaged line is kept as received, and the count
// follows a misplaced reading's time (the readings it skipped are reported not received). A
// reading whose time lies off start + n x interval altogether is asked for again once and then
// kept, later readings being expected at its timing. Asking again starts a reading or two early where it can, so that
// noise in front of an answer falls on a line already held; the rest of the chunk that held the bad line is read and
// dropped first.
//
// The download ends when the range is covered, when the host no longer wants it, on any port
// failure other than the time-out (at once), or when the logger sends nothing for the same index
// SilentRequestLimit times. Silence at an index whose reading the logger cannot hold yet (after
// its clock or its recording stop) covers the range.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/logger_format.h"
#include "logger/download_report.h"
#include "logger/reading_check.h"
#include "logger/stored_reading.h"

class TSerialPort;
class TLoggerHost;

inline constexpr std::int32_t ChunkLimit = 25;  // lines per "D?"
inline constexpr int LineTimeoutMs = 500;       // silence that ends a chunk
inline constexpr int SilentRequestLimit = 3;    // requests of one index without a line
inline constexpr int DamagedRepeats = 2;        // requests again for a damaged line

// What a download needs to know of the recording and the program around it.
struct TDownloadContext {
    TSerialPort& Port;
    TLoggerHost& Host;
    const LoggerFormat& Format;
    TDateTime RecStart = 0;
    TDateTime RecStop = 0;
    std::int64_t IntervalSeconds = 0;           // 0: reading times are not checked
    std::function<TDateTime()> LoggerClockNow;  // the logger's clock as far as it is known
    std::string& LastReadingLine;               // the last stored line; updated as lines are stored
};

class TReadingDownload {
  public:
    TReadingDownload(const TDownloadContext& context, const TDownloadRange& range);
    TDownloadReport Run();

  private:
    enum class TChunkEnd { Full, Quiet, Stopped, PortFailed, BeyondEnd };

    // Receives the answer to "D?" + ask; its first `lead` lines are held already.
    TChunkEnd ReceiveChunk(std::int64_t ask, std::int64_t lead, std::int64_t& newLines);
    // Seconds by which the time of a checked line lies off the one expected at `index` (0 when it
    // has no time or the interval is unknown).
    std::int64_t OffBy(const lorv::TLineCheck& check, std::int64_t index) const;
    // Handles one line at `index`; false when the line lies beyond the range and ends it.
    bool Take(const std::string& received, std::int64_t index);
    // Ends the chunk at `index`, to be asked for again starting `lead` readings before it.
    void AskAgainFrom(std::int64_t index, std::int64_t lead);
    void Store(const std::string& line, std::int64_t index, TReadingState state);
    // Hands the readings of the chunk just read to the host (ChunkStored).
    void FlushChunk();
    void FailPort(std::int32_t code);
    // Whether the logger can hold reading `index` by now (its time is not after the logger's clock
    // nor after a known recording stop). True when the interval is unknown.
    bool Held(std::int64_t index) const;
    TDownloadProgress Progress() const;

    const TDownloadContext& c_;
    TDownloadRange range_;
    TDownloadReport report_;
    std::int64_t next_ = 0;
    std::int64_t lineIndex_ = 0;  // the index of the next line of the chunk
    std::optional<std::int64_t> askAgainFrom_;
    std::int64_t lead_ = 0;
    std::map<std::int64_t, int> repeats_;  // requests made again for an index, damaged or misplaced
    std::set<std::int64_t> offTimeAsked_;
    std::int64_t offsetSeconds_ = 0;  // kept readings' time minus their nominal time
    std::vector<TStoredReading> chunkStored_;  // readings stored by the chunk being read
};

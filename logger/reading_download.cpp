#include "logger/reading_download.h"

#include <algorithm>

#include "logger/command_exchange.h"
#include "logger/logger_host.h"
#include "logger/reading_check.h"
#include "serial/serial_port.h"

TReadingDownload::TReadingDownload(const TDownloadContext& context, const TDownloadRange& range)
    : c_(context), range_(range) {
    report_.First = range.First;
    report_.End = range.End;
    report_.Next = range.First;
    next_ = range.First;
}

TDownloadProgress TReadingDownload::Progress() const {
    return TDownloadProgress{report_.First, report_.End, next_, report_.ReadingsStored};
}

bool TReadingDownload::Held(std::int64_t index) const {
    if (c_.IntervalSeconds <= 0) return true;
    const TDateTime at = c_.RecStart + SecondsToDays(static_cast<double>(index * c_.IntervalSeconds + offsetSeconds_));
    // A stop of 0 has not been read yet and limits nothing.
    return SecondsBetween(at, c_.LoggerClockNow()) >= 0 && (c_.RecStop == 0 || SecondsBetween(at, c_.RecStop) >= 0);
}

void TReadingDownload::FailPort(std::int32_t code) {
    report_.Ending = TDownloadEnd::PortFailure;
    report_.PortError = code;
    report_.PortErrorText = TSerialPort::GetErrorDesc(code);
}

void TReadingDownload::AskAgainFrom(std::int64_t index, std::int64_t lead) {
    askAgainFrom_ = index;
    lead_ = std::min(index, lead);
    ++report_.Rerequested;
}

void TReadingDownload::Store(const std::string& line, std::int64_t index, TReadingState state) {
    c_.Host.ReadingStored(line);
    chunkStored_.push_back(TStoredReading{index, line, state});
    c_.LastReadingLine = line;
    ++report_.ReadingsStored;
}

std::int64_t TReadingDownload::OffBy(const lorv::TLineCheck& check, std::int64_t index) const {
    if (!check.Time || c_.IntervalSeconds <= 0) return 0;
    return SecondsBetween(c_.RecStart, *check.Time) - index * c_.IntervalSeconds - offsetSeconds_;
}

bool TReadingDownload::Take(const std::string& received, std::int64_t index) {
    if (!range_.WholeChunks && index > range_.End) return false;
    std::string line = received;
    lorv::TLineCheck check = lorv::CheckReadingLine(line, c_.Format);
    if (!check.Reading && line != c_.LastReadingLine) {
        // Noise in front of an answer: the reading expected here, clean, at the end of the line.
        const lorv::TNoisyLine noisy = lorv::CheckReadingBehindNoise(line, c_.Format);
        if (noisy.Check.Reading && OffBy(noisy.Check, index) == 0) {
            line.erase(0, noisy.Noise);
            check = noisy.Check;
            report_.NoiseDropped += static_cast<std::int64_t>(noisy.Noise);
            ++report_.ReadingsBehindNoise;
        }
    }
    if (line == c_.LastReadingLine) {
        ++report_.RepeatsDropped;
        return true;
    }
    const std::int64_t interval = c_.IntervalSeconds;
    const std::int64_t offBy = OffBy(check, index);
    // The time of another index means a line was lost or merged before this one (or it was left
    // from an earlier answer): the count no longer holds, and the line is asked for again like a
    // damaged one. A clean reading whose time lies off the spacing altogether is asked for again
    // only once.
    const bool misplaced = offBy != 0 && offBy % interval == 0;
    if (!check.Reading || misplaced) {
        // The first repeat starts one reading early and the second five: the line then sits at
        // another place in each answer, and with full chunks its third copy comes 29 lines (a
        // prime) after its second, so damage at a fixed place in every answer, or every so many
        // lines, does not fall on it all three times.
        if (const int tries = ++repeats_[index]; tries <= DamagedRepeats) {
            AskAgainFrom(index, tries == 1 ? 1 : 5);
            return true;
        }
    } else if (offBy != 0 && offTimeAsked_.insert(index).second) {
        AskAgainFrom(index, 1);
        return true;
    }
    if (misplaced) {
        // Still misplaced after asking again: the count follows the line's time from here. An
        // earlier reading is dropped; a later one leaves the readings before it not received.
        const std::int64_t actual = index + offBy / interval;
        if (actual < index) {
            lineIndex_ = index;
            return true;
        }
        const std::int64_t lastMissing = range_.WholeChunks ? actual - 1 : std::min(actual - 1, range_.End);
        for (std::int64_t i = index; i <= lastMissing; ++i) report_.Missing.push_back(i);
        lineIndex_ = actual + 1;
        if (!range_.WholeChunks && actual > range_.End) return false;
        index = actual;
    }
    TReadingState state = TReadingState::Clean;
    if (!check.Reading) {
        report_.DamagedKept.push_back(index);
        state = TReadingState::Damaged;
    } else if (offBy != 0 && !misplaced) {
        // Still off after asking again: the logger's own timing, which later readings follow.
        report_.OffTimeKept.push_back(index);
        offsetSeconds_ += offBy;
        state = TReadingState::OffTime;
    }
    Store(line, index, state);
    return true;
}

TReadingDownload::TChunkEnd TReadingDownload::ReceiveChunk(std::int64_t ask, std::int64_t lead,
                                                           std::int64_t& newLines) {
    std::int32_t received = 0;
    lineIndex_ = ask;
    for (;;) {
        c_.Host.ProcessEvents();
        if (!c_.Host.DownloadWanted()) return TChunkEnd::Stopped;
        const std::string line = c_.Port.ReadUntil(LineTimeoutMs, "\n");
        const std::int32_t code = c_.Port.ErrorCode();
        // Bytes of an unfinished line stay in the port; the next request clears them.
        if (code == SerialErrTimeout) return TChunkEnd::Quiet;
        if (code != SerialOk) {
            FailPort(code);
            return TChunkEnd::PortFailed;
        }
        ++received;
        ++report_.LinesReceived;
        const std::int64_t index = lineIndex_++;
        if (askAgainFrom_) {
            // The rest of a chunk that held a bad line is read only to be dropped, so that it
            // cannot reach the next answer.
        } else if (index < ask + lead) {
            // A line already held, asked for only to take any noise in front of the answer. A lost
            // line feed among these would shift the count, so a clean one puts it right.
            if (line == c_.LastReadingLine) ++report_.RepeatsDropped;
            const lorv::TLineCheck check = lorv::CheckReadingLine(line, c_.Format);
            const std::int64_t offBy = check.Reading ? OffBy(check, index) : 0;
            if (offBy != 0 && offBy % c_.IntervalSeconds == 0 && index + offBy / c_.IntervalSeconds < ask + lead)
                lineIndex_ = index + offBy / c_.IntervalSeconds + 1;
        } else {
            ++newLines;
            if (!Take(line, index)) {
                next_ = std::max(next_, lineIndex_ - 1);
                return TChunkEnd::BeyondEnd;
            }
        }
        next_ = std::max(next_, lineIndex_);
        if (received >= ChunkLimit) return TChunkEnd::Full;
    }
}

void TReadingDownload::FlushChunk() {
    if (chunkStored_.empty()) return;
    c_.Host.ChunkStored(chunkStored_);
    chunkStored_.clear();
}

TDownloadReport TReadingDownload::Run() {
    std::int64_t lead = 0;
    int silentRequests = 0;
    for (;;) {
        const std::int64_t ask = next_ - lead;
        c_.Port.DiscardInput();
        PostCommand(c_.Port, c_.Host, "D?" + std::to_string(ask));
        if (c_.Port.ErrorCode() != SerialOk) {
            FailPort(c_.Port.ErrorCode());
            break;
        }
        askAgainFrom_.reset();
        std::int64_t newLines = 0;
        const TChunkEnd end = ReceiveChunk(ask, lead, newLines);
        FlushChunk();
        if (askAgainFrom_) next_ = *askAgainFrom_;
        lead = askAgainFrom_ ? lead_ : 0;
        report_.Next = next_;
        if (end == TChunkEnd::PortFailed) break;
        c_.Host.ChunkDone(Progress());
        c_.Host.ProcessEvents();
        if (end == TChunkEnd::BeyondEnd || next_ > range_.End) break;
        if (newLines > 0) {
            silentRequests = 0;
        } else if (end != TChunkEnd::Stopped) {
            // Nothing at an index the logger cannot hold yet is the end of what it has.
            if (!Held(next_)) break;
            if (++silentRequests >= SilentRequestLimit) {
                report_.Ending = TDownloadEnd::LoggerSilent;
                break;
            }
        }
        if (!c_.Host.DownloadWanted()) {
            report_.Ending = TDownloadEnd::StoppedByUser;
            break;
        }
    }
    report_.Next = next_;
    return report_;
}

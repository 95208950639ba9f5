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

void TReadingDownload::AskAgainFrom(std::int64_t index) {
    askAgainFrom_ = index;
    ++report_.Rerequested;
}

void TReadingDownload::Store(const std::string& line) {
    c_.Host.ReadingStored(line);
    c_.LastReadingLine = line;
    ++report_.ReadingsStored;
}

bool TReadingDownload::Take(const std::string& line, std::int64_t index) {
    if (!range_.WholeChunks && index > range_.End) return false;
    if (line == c_.LastReadingLine) {
        ++report_.RepeatsDropped;
        return true;
    }
    TDateTime time = 0;
    if (!lorv::CheckReadingLine(line, c_.Format, time)) {
        if (++damagedTries_[index] <= DamagedRepeats) {
            AskAgainFrom(index);
            return true;
        }
        report_.DamagedKept.push_back(index);
    } else if (c_.IntervalSeconds > 0) {
        const std::int64_t offset = SecondsBetween(c_.RecStart, time) - index * c_.IntervalSeconds;
        if (offset != offsetSeconds_) {
            if (offTimeAsked_.insert(index).second) {
                AskAgainFrom(index);
                return true;
            }
            // Twice at the same place: the logger's own spacing, which later readings follow.
            report_.OffTimeKept.push_back(index);
            offsetSeconds_ = offset;
        }
    }
    Store(line);
    return true;
}

TReadingDownload::TChunkEnd TReadingDownload::ReceiveChunk(std::int64_t ask, bool overlap, std::int64_t& newLines) {
    std::int32_t received = 0;
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
        const std::int64_t index = ask + received - 1;
        next_ = std::max(next_, index + 1);
        if (askAgainFrom_) {
            // The rest of a chunk that held a bad line is read only to be dropped, so that it
            // cannot reach the next answer.
        } else if (overlap && received == 1) {
            // A line already held, asked for only to take any noise in front of the answer.
            if (line == c_.LastReadingLine) ++report_.RepeatsDropped;
        } else {
            ++newLines;
            if (!Take(line, index)) {
                next_ = index;
                return TChunkEnd::BeyondEnd;
            }
        }
        if (received >= ChunkLimit) return TChunkEnd::Full;
    }
}

TDownloadReport TReadingDownload::Run() {
    bool overlap = false;
    int silentRequests = 0;
    for (;;) {
        const std::int64_t ask = overlap ? next_ - 1 : next_;
        c_.Port.DiscardInput();
        PostCommand(c_.Port, c_.Host, "D?" + std::to_string(ask));
        if (c_.Port.ErrorCode() != SerialOk) {
            FailPort(c_.Port.ErrorCode());
            break;
        }
        askAgainFrom_.reset();
        std::int64_t newLines = 0;
        const TChunkEnd end = ReceiveChunk(ask, overlap, newLines);
        if (askAgainFrom_) next_ = *askAgainFrom_;
        overlap = askAgainFrom_ && *askAgainFrom_ > 0;
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

#include "cli/cli_host.h"

#include "base/errors.h"
#include "serial/serial_port.h"

namespace cli {

TCliHost::TCliHost(TSerialPort& port, const volatile std::sig_atomic_t* stopSignal)
    : port_(port), stopSignal_(stopSignal) {}

int TCliHost::StopSignal() const { return stopSignal_ ? static_cast<int>(*stopSignal_) : 0; }

void TCliHost::AppendCommLog(const std::string& line) {
    CommLog.push_back(line);
    // The download posts "D?<index>" and moves the index on by the lines received, so the same
    // index posted again means the chunk before it brought nothing.
    if (line.size() <= 2 || line.compare(0, 2, "D?") != 0) return;
    std::int64_t index = 0;
    for (std::size_t i = 2; i < line.size(); ++i) {
        if (line[i] < '0' || line[i] > '9' || i > 19) return;
        index = index * 10 + (line[i] - '0');
    }
    if (lastRequest_ && *lastRequest_ == index) {
        if (++emptyRequests_ >= EmptyChunkLimit) stalledAt_ = index;
    } else {
        emptyRequests_ = 0;
    }
    lastRequest_ = index;
}

void TCliHost::CheckPort() {
    const std::int32_t code = port_.ErrorCode();
    if (code != SerialOk && code != SerialErrTimeout && portError_ == 0) portError_ = code;
}

void TCliHost::AppendDataLine(const std::string& line) {
    // A failed read hands the download an empty line; it is no reading and must not reach the file.
    CheckPort();
    if (portError_ != 0 || !Store) return;
    if (LatestTime && line.size() >= 19) {
        try {
            if (format_.TextToDateTime(line.substr(0, 19)) > *LatestTime) return;
        } catch (const EConvertError&) {
            // Not a reading time: kept as it came, like every other line.
        }
    }
    Store->Append(line);
    ++stored_;
}

void TCliHost::ProcessEvents() {
    CheckPort();
    if (OnProgress) OnProgress(stored_);
}

bool TCliHost::DownloadWanted() { return StopSignal() == 0 && !stalledAt_ && portError_ == 0; }

}  // namespace cli

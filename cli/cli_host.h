#pragma once
// The logger host of the command-line tool: the communication log and the fields in memory, the
// downloaded lines into a line store, and the download stopped by a signal, a port failure or a
// logger that has nothing more to send.
#include <csignal>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/logger_format.h"
#include "data/line_store.h"
#include "logger/logger_host.h"

class TSerialPort;

namespace cli {

class TCliHost : public TLoggerHost {
  public:
    // Requests of the same index that may come back empty before the download ends there. The
    // logger answers nothing at an index it has no reading for; asking again for ever would hang
    // an unattended run.
    static constexpr int EmptyChunkLimit = 2;

    // `stopSignal`, when given, holds the number of a signal that asked the program to stop (0:
    // none); it is read, never written.
    TCliHost(TSerialPort& port, const volatile std::sig_atomic_t* stopSignal);

    std::vector<std::string> CommLog;                     // "command\tanswer" lines, code page 1250
    std::map<Field, std::string> Fields;                  // the last text shown in each field
    TLineStore* Store = nullptr;                          // where downloaded lines go (none: dropped)
    std::optional<TDateTime> LatestTime;                  // lines of readings taken after this are not stored
    std::function<void(std::int64_t stored)> OnProgress;  // called from every event pump

    // New lines stored in Store since it was set.
    std::int64_t Stored() const { return stored_; }
    // The signal number that stopped the run, 0 while none came.
    int StopSignal() const;
    // The index asked for EmptyChunkLimit times without an answer, if the download ended so.
    std::optional<std::int64_t> StalledAt() const { return stalledAt_; }
    // The port's error code when a read failed (not a time-out) during the download, else 0.
    std::int32_t PortError() const { return portError_; }

    void AppendCommLog(const std::string& line) override;
    void SetStatusText(const std::string&) override {}
    void AppendDataLine(const std::string& line) override;
    void ProcessEvents() override;
    bool DownloadWanted() override;
    void ShowField(Field field, const std::string& text) override { Fields[field] = text; }

  private:
    TSerialPort& port_;
    const volatile std::sig_atomic_t* stopSignal_;
    LoggerFormat format_;
    std::int64_t stored_ = 0;
    std::optional<std::int64_t> lastRequest_;
    int emptyRequests_ = 0;
    std::optional<std::int64_t> stalledAt_;
    std::int32_t portError_ = 0;

    void CheckPort();
};

}  // namespace cli

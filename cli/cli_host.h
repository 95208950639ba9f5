#pragma once
// The logger host of the command-line tool: the communication log in memory, the readings handed
// on as they come, and the download stopped by a signal.
#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "logger/logger_host.h"

namespace cli {

class TCliHost : public TLoggerHost {
  public:
    // `stopSignal`, when given, holds the number of a signal that asked the program to stop (0:
    // none); it is read, never written.
    explicit TCliHost(const volatile std::sig_atomic_t* stopSignal);

    std::vector<std::string> CommLog;                     // "command\tanswer" lines, code page 1250
    std::function<void(const std::string&)> OnReading;    // where each stored reading goes
    std::function<void(std::int64_t stored)> OnProgress;  // called from every event pump
    std::function<void(const std::vector<TStoredReading>&)> OnChunk;  // each chunk's readings (the archive)

    // Readings stored since the host was made.
    std::int64_t Stored() const { return stored_; }
    // The signal number that stopped the run, 0 while none came.
    int StopSignal() const;

    void AppendCommLog(const std::string& line) override { CommLog.push_back(line); }
    void ProcessEvents() override;
    bool DownloadWanted() override { return StopSignal() == 0; }
    void ReadingStored(const std::string& line) override;
    void ChunkStored(const std::vector<TStoredReading>& readings) override {
        if (OnChunk) OnChunk(readings);
    }

  private:
    const volatile std::sig_atomic_t* stopSignal_;
    std::int64_t stored_ = 0;
};

}  // namespace cli

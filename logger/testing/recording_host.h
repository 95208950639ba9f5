#pragma once
// A TLoggerHost that records everything the protocol reports, for tests.
#include <functional>
#include <string>
#include <vector>

#include "logger/logger_host.h"

namespace lorv_test {

class TRecordingHost : public TLoggerHost {
  public:
    std::vector<std::string> Log;
    std::vector<std::string> Data;
    std::vector<std::string> Probed;        // port names, as each probe starts
    std::vector<TProbeResult> Failed;       // probes that found no logger
    std::vector<TDownloadProgress> Chunks;  // progress after each chunk
    int EventPumps = 0;
    bool Wanted = true;
    // Runs inside every ProcessEvents, as a window handler would.
    std::function<void()> OnEvents;

    void AppendCommLog(const std::string& line) override { Log.push_back(line); }
    void ReadingStored(const std::string& line) override { Data.push_back(line); }
    void ProcessEvents() override {
        ++EventPumps;
        if (OnEvents) OnEvents();
    }
    bool DownloadWanted() override { return Wanted; }
    void ProbeStarting(const std::string& portName) override { Probed.push_back(portName); }
    void ProbeFailed(const TProbeResult& probe) override { Failed.push_back(probe); }
    void ChunkDone(const TDownloadProgress& progress) override { Chunks.push_back(progress); }
};

}  // namespace lorv_test

#pragma once
// A TLoggerHost that records everything the protocol reports, for tests.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "logger/logger_host.h"

namespace lorv_test {

class TRecordingHost : public TLoggerHost {
  public:
    std::vector<std::string> Log;
    std::vector<std::string> Status;
    std::vector<std::string> Data;
    std::map<Field, std::string> Fields;
    int EventPumps = 0;
    int TimerStarts = 0;
    int MarkerRefreshes = 0;
    bool Wanted = true;
    // Runs inside every ProcessEvents, as a window handler would.
    std::function<void()> OnEvents;

    void AppendCommLog(const std::string& line) override { Log.push_back(line); }
    void SetStatusText(const std::string& utf8) override { Status.push_back(utf8); }
    void AppendDataLine(const std::string& line) override { Data.push_back(line); }
    void ProcessEvents() override {
        ++EventPumps;
        if (OnEvents) OnEvents();
    }
    bool DownloadWanted() override { return Wanted; }
    void ShowField(Field field, const std::string& text) override { Fields[field] = text; }
    void StartClockTimer() override { ++TimerStarts; }
    void RefreshMarkers() override { ++MarkerRefreshes; }
};

}  // namespace lorv_test

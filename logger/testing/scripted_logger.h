#pragma once
// A scripted logger on the virtual clock, for tests of the protocol logic that run instantly.
//
// Every device added here answers like a logger: the bytes the port writes to it are cut at each
// carriage return, each command (without the CR) goes to the device's handler, and the reply
// arrives ReplyDelayMs of virtual time later. A handler may return std::nullopt to hang up, as a
// logger that is unplugged: from then on every transfer on that device fails with EIO.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "serial/scripted_comm_driver.h"

namespace lorv_test {

class TScriptedLogger : public TScriptedCommDriver {
  public:
    using Handler = std::function<std::optional<std::string>(const std::string& command)>;

    // Registers a device at `path` ("\\.\ttyUSB0") answered by `handler`.
    void AddLogger(const std::string& path, Handler handler);
    // The commands the device received, in order.
    std::vector<std::string> Commands(const std::string& path) const;

    std::uint64_t ReplyDelayMs = 2;

    TCommHandle CreateFile(const std::string& path) override;
    bool CloseHandle(TCommHandle h) override;
    TTransferStatus WriteFile(TCommHandle h, const char* buffer, size_t count, size_t& done) override;

  private:
    struct TPeer {
        Handler handler;
        std::string pending;
        std::vector<std::string> commands;
    };
    std::map<std::string, TPeer> peers_;
    std::map<TCommHandle, std::string> paths_;
};

// A reading line of the logger: time, channel 1 and channel 2 in fixed columns, 35 characters.
// Reading `index` is taken at 2026-01-01 00:00:00 plus `index` minutes.
std::string ReadingLine(int index);

}  // namespace lorv_test

#include "logger/testing/scripted_logger.h"

#include <cstdio>

namespace lorv_test {

void TScriptedLogger::AddLogger(const std::string& path, Handler handler) {
    AddDevice(path);
    peers_[path].handler = std::move(handler);
}

std::vector<std::string> TScriptedLogger::Commands(const std::string& path) const {
    const auto it = peers_.find(path);
    return it == peers_.end() ? std::vector<std::string>() : it->second.commands;
}

TCommHandle TScriptedLogger::CreateFile(const std::string& path) {
    const TCommHandle h = TScriptedCommDriver::CreateFile(path);
    if (h != InvalidCommHandle) paths_[h] = path;
    return h;
}

bool TScriptedLogger::CloseHandle(TCommHandle h) {
    paths_.erase(h);
    return TScriptedCommDriver::CloseHandle(h);
}

TTransferStatus TScriptedLogger::WriteFile(TCommHandle h, const char* buffer, size_t count, size_t& done) {
    const TTransferStatus status = TScriptedCommDriver::WriteFile(h, buffer, count, done);
    const auto path = paths_.find(h);
    if (status != TTransferStatus::Done || path == paths_.end()) return status;
    const auto peer = peers_.find(path->second);
    if (peer == peers_.end()) return status;
    TPeer& p = peer->second;
    p.pending.append(buffer, done);
    std::size_t cr;
    while ((cr = p.pending.find('\r')) != std::string::npos) {
        const std::string command = p.pending.substr(0, cr);
        p.pending.erase(0, cr + 1);
        p.commands.push_back(command);
        const std::optional<std::string> reply = p.handler(command);
        if (!reply) {
            Device(path->second).hangUpAt = static_cast<std::int64_t>(Now());
            break;
        }
        if (!reply->empty()) Arrive(path->second, Now() + ReplyDelayMs, *reply);
    }
    return status;
}

std::string ReadingLine(int index) {
    // 2026-01-01 00:00:00 plus one minute per index; channel texts of eight characters.
    const int minutes = index % 60, hours = (index / 60) % 24, day = 1 + index / 1440;
    char line[64];
    std::snprintf(line, sizeof line, "2026-01-%02d %02d:%02d:00%8.2f%8.2f", day, hours, minutes,
                  20.0 + (index % 10) * 0.1, 18.0 - (index % 7) * 0.1);
    return line;
}

}  // namespace lorv_test

#include "logger/testing/pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace lorv_test {

TPtyPeer::TPtyPeer(Handler handler) : handler_(std::move(handler)) {
    char name[128] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    slavePath_ = name;
    termios tio{};
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave_, TCSANOW, &tio);
    thread_ = std::thread([this] { Run(); });
}

TPtyPeer::~TPtyPeer() {
    stop_ = true;
    thread_.join();
    std::lock_guard lock(mutex_);
    if (master_ >= 0) close(master_);
    close(slave_);
}

std::vector<std::string> TPtyPeer::Commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

void TPtyPeer::Send(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    if (master_ >= 0 && write(master_, bytes.data(), bytes.size()) < 0) std::perror("pty peer write");
}

void TPtyPeer::Run() {
    std::string pending;
    while (!stop_) {
        int fd;
        {
            std::lock_guard lock(mutex_);
            fd = master_;
        }
        if (fd < 0) return;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
        char buffer[512];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) continue;
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t cr;
        while ((cr = pending.find('\r')) != std::string::npos) {
            const std::string command = pending.substr(0, cr);
            pending.erase(0, cr + 1);
            {
                std::lock_guard lock(mutex_);
                commands_.push_back(command);
            }
            const std::optional<std::string> reply = handler_(command);
            if (!reply) {
                std::lock_guard lock(mutex_);
                close(master_);
                master_ = -1;
                return;
            }
            if (!reply->empty()) Send(*reply);
        }
    }
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

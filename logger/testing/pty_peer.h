#pragma once
// A scripted logger on a pseudo-terminal, for tests of the protocol over a real serial device.
//
// The peer owns both ends of a pty: the test opens the slave path with TSerialPort; a thread
// reads the master, cuts the input at each carriage return and hands every command (without the
// CR) to a handler, whose reply bytes it writes back. The slave is kept open by the peer and set
// to raw mode, so the port may open and close it freely.
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lorv_test {

class TPtyPeer {
  public:
    // Returns the bytes to send back (may be empty: stay silent), or std::nullopt to hang up:
    // the master is closed at once, as when a logger is unplugged.
    using Handler = std::function<std::optional<std::string>(const std::string& command)>;

    explicit TPtyPeer(Handler handler);
    ~TPtyPeer();
    TPtyPeer(const TPtyPeer&) = delete;
    TPtyPeer& operator=(const TPtyPeer&) = delete;

    // "/dev/pts/N": opens as given.
    const std::string& SlavePath() const { return slavePath_; }
    // "pts/N": the device-map data that the search opens as "\\.\pts/N".
    std::string DeviceName() const { return slavePath_.substr(5); }
    // The commands received so far, in order.
    std::vector<std::string> Commands() const;
    // Writes bytes to the port without a command.
    void Send(const std::string& bytes);

  private:
    void Run();

    Handler handler_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A reading line of the logger: time, channel 1 and channel 2 in fixed columns.
std::string ReadingLine(int index);

}  // namespace lorv_test

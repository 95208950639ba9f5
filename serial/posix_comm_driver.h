#pragma once
// The serial-port services over POSIX terminals (termios, ioctl, poll), as used on Linux.
//
// Device paths: "\\.\COMn" opens /dev/ttyS(n-1), "\\.\NAME" opens /dev/NAME, any other path opens
// as given (see posix_comm::DevicePathForPort). The open is exclusive: O_NOCTTY | O_NONBLOCK, then
// TIOCEXCL and flock(LOCK_EX | LOCK_NB), so a second open fails with EBUSY or EWOULDBLOCK, also for root. Only
// terminals open (anything else fails with ENOTTY). The terminal is switched to raw byte transfer at
// open (no echo, no line editing, no character translation); speed, character size, parity and stop
// bits stay as the OS had them until SetCommState.
//
// A line whose other side has gone (pty master closed, USB adapter pulled) makes WaitCommEvent,
// ClearCommError and the transfers fail with EIO instead of looking silent.
//
// Error codes are errno values; texts come from strerror.
#include <termios.h>

#include <map>

#include "serial/comm_driver.h"

class TPosixCommDriver : public TCommDriver {
  public:
    TPosixCommDriver() = default;
    ~TPosixCommDriver() override;

    TCommHandle CreateFile(const std::string& path) override;
    bool CloseHandle(TCommHandle h) override;
    void SetLastError(int32_t code) override { FLastError = code; }
    int32_t GetLastError() override { return FLastError; }
    std::string SystemErrorText(int32_t code) override;
    bool SetupComm(TCommHandle h, int32_t inQueue, int32_t outQueue) override;
    bool SetCommTimeouts(TCommHandle h, const TCommTimeouts& timeouts) override;
    bool SetCommMask(TCommHandle h, uint32_t mask) override;
    bool WaitCommEvent(TCommHandle h, uint32_t& events, int32_t timeoutMs) override;
    TTransferStatus WriteFile(TCommHandle h, const char* buffer, size_t count, size_t& done) override;
    TTransferStatus ReadFile(TCommHandle h, char* buffer, size_t count, size_t& done) override;
    bool WaitForTransfer(TCommHandle h, int32_t timeoutMs) override;
    bool GetTransferResult(TCommHandle h, size_t& done) override;
    bool PurgeComm(TCommHandle h, uint32_t flags) override;
    bool ClearCommError(TCommHandle h, uint32_t& errors, uint32_t& inQueue, uint32_t& outQueue) override;
    bool GetCommState(TCommHandle h, TLineState& state) override;
    bool SetCommState(TCommHandle h, const TLineState& state) override;
    bool GetCommModemStatus(TCommHandle h, uint32_t& status) override;
    bool EscapeCommFunction(TCommHandle h, uint32_t code) override;
    bool FlushFileBuffers(TCommHandle h) override;
    bool SetCommBreak(TCommHandle h) override;
    bool ClearCommBreak(TCommHandle h) override;
    void Sleep(uint32_t ms) override;
    uint32_t MillisecondTick() override;

  private:
    struct TPortState {
        TLineState shadow;        // fields termios cannot hold, as last stored
        uint32_t mask = 0;        // events WaitCommEvent waits for
        std::string pushback;     // bytes taken while probing the line, handed out first by ReadFile
        std::string pendingOut;   // rest of a write the terminal had no room for yet
        size_t transferDone = 0;  // bytes moved by the last write
        int transferError = 0;    // errno that ended the last write, 0 if none
        bool haveCounts = false;  // whether the line-error counters can be read
        int frame = 0, overrun = 0, parity = 0, bufOverrun = 0;
    };

    TPortState* Find(TCommHandle h);
    bool Fail(int code);
    bool MoveOutput(TCommHandle h, TPortState& port);
    // -1 when the line has hung up (FIONREAD fails or poll reports a hang-up with nothing queued)
    int QueuedInput(TCommHandle h, TPortState& port);

    int32_t FLastError = 0;
    std::map<TCommHandle, TPortState> FPorts;
};

namespace posix_comm {
// The device a port path names: "\\.\COMn" -> /dev/ttyS(n-1), "\\.\NAME" -> /dev/NAME, any other
// name unchanged.
std::string DevicePathForPort(const std::string& device);
// The line-state record as termios holds it. Fields termios has no place for come from `shadow`.
TLineState LineStateFromTermios(const termios& t, const TLineState& shadow);
// Writes the record into `t` (raw transfer, speed, size, parity, stop bits, flow control, XON/XOFF
// characters), keeping the other termios fields. false when termios cannot express it (an
// unsupported or zero speed, 5..8 data bits, parity 0..4, stop bits 0..2).
bool LineStateToTermios(const TLineState& s, termios& t);
}  // namespace posix_comm

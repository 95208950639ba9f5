#pragma once
// The emulated logger's line: a pseudo-terminal whose master end this process keeps, while the
// program under test opens the slave end like a serial port.
#include <signal.h>

#include <csignal>
#include <cstdint>
#include <string>

#include "emulator/emulator_session.h"

namespace emulator {

class PtyLink {
  public:
    // Opens a pseudo-terminal pair and puts the slave in raw mode (no echo, no line editing, no
    // CR/LF translation, 115200 baud). Throws std::system_error when the system has none to give.
    PtyLink();
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    // The slave's absolute path, e.g. "/dev/pts/3".
    const std::string& SlavePath() const { return slavePath_; }
    // The port name for a device map: the path below /dev ("pts/3"), which the program opens as
    // "\\.\pts/3" = /dev/pts/3; a path outside /dev as it is.
    std::string PortName() const;

    // Serves `session` until `stop` becomes non-zero. Waits run with the signal mask `waitMask`
    // (ppoll), so a stop signal blocked outside the waits ends a wait at once. Answer bytes go
    // out `bytePeriodUs` apart (0: at once). While no one has the slave open (never opened yet,
    // or closed by the other side), received bytes and pending answers are dropped and the line
    // is checked every 50 ms, so a closed line costs no CPU; a new opener is served afresh.
    // Throws std::system_error on an unexpected OS failure.
    void Serve(Session& session, std::int64_t bytePeriodUs, const volatile std::sig_atomic_t& stop,
               const sigset_t& waitMask);

  private:
    int master_ = -1;
    std::string slavePath_;
};

}  // namespace emulator

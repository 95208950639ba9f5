#pragma once
// The emulated logger's line: a pseudo-terminal whose master end this process keeps, while the
// program under test opens the slave end like a serial port.
#include <signal.h>
#include <termios.h>

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
    // out `bytePeriodUs` apart (0: at once). When the last opener of the slave closes it, a
    // half-received command and unsent answers are dropped and the raw line settings restored,
    // so the next opener starts afresh.
    // The exclusive-use flag (TIOCEXCL) that an opener sets is cleared on each command received
    // and at each close: on a pty it would outlive the opener (the pair lives as long as this
    // process) and lock every later non-root opener out, which a USB port would not do.
    // When the session is unplugged (FaultSettings::UnplugAfter), Serve waits until the program
    // has read what was sent (at most 5 s), closes the pty under it and returns.
    // Throws std::system_error on an unexpected OS failure.
    void Serve(Session& session, std::int64_t bytePeriodUs, const volatile std::sig_atomic_t& stop,
               const sigset_t& waitMask);

  private:
    void Unplug(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask);
    void ClearExclusive() const;
    void RestoreRawMode() const;

    int master_ = -1;
    int guard_ = -1;   // our own slave descriptor: keeps the line settings and never hangs up
    int notify_ = -1;  // inotify on the slave's node: opens and closes by others; -1 if unavailable
    std::string slavePath_;
    termios raw_{};
};

}  // namespace emulator

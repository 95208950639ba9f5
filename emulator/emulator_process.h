#pragma once
// Test support: runs lorv304d-emulator as a child process and hands out the path of its line.
// Other layers' tests link lorv_emulator_testsupport to talk to a logger over a real pty.
#include <sys/types.h>

#include <string>
#include <vector>

namespace emulator {

class EmulatorProcess {
  public:
    // Starts the emulator with `args` (its options, e.g. {"--readings", "60"}) and waits up to
    // 5 s for its first output line, the slave path. Throws std::runtime_error when it cannot be
    // started or exits before printing the path (e.g. a bad option).
    explicit EmulatorProcess(const std::vector<std::string>& args = {}, const std::string& binary = DefaultBinary());
    // Stops the emulator if it still runs.
    ~EmulatorProcess();
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    // The slave end to open, e.g. "/dev/pts/4".
    const std::string& SlavePath() const { return slavePath_; }
    pid_t Pid() const { return pid_; }
    // Sends SIGTERM and waits for the end (SIGKILL after 5 s). Returns the exit code, 128 + the
    // signal number when a signal ended it, or -1 when it was already stopped.
    int Stop();

    // The emulator built alongside this library.
    static std::string DefaultBinary();

  private:
    pid_t pid_ = -1;
    std::string slavePath_;
};

}  // namespace emulator

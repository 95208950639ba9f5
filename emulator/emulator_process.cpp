#include "emulator/emulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace emulator {

namespace {

int WaitForExit(pid_t pid, int timeoutMs) {
    for (int waited = 0;; waited += 10) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0 && errno != EINTR) return -1;
        if (waited >= timeoutMs) return -2;
        const timespec pause{0, 10'000'000};
        nanosleep(&pause, nullptr);
    }
}

}  // namespace

std::string EmulatorProcess::DefaultBinary() { return LORV304D_EMULATOR_PATH; }

EmulatorProcess::EmulatorProcess(const std::vector<std::string>& args, const std::string& binary) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    std::vector<std::string> words{binary};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) {
        ::close(out[0]);
        ::close(out[1]);
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    ::close(out[1]);

    // The first line is the path; anything after it is not read.
    std::string line;
    bool complete = false;
    for (int waited = 0; waited < 5000 && !complete;) {
        pollfd p{out[0], POLLIN, 0};
        const int r = poll(&p, 1, 100);
        if (r == 0) {
            waited += 100;
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        char c = 0;
        const ssize_t n = r > 0 ? ::read(out[0], &c, 1) : -1;
        if (n <= 0) break;
        if (c == '\n') {
            complete = true;
        } else {
            line += c;
        }
    }
    ::close(out[0]);
    if (!complete || line.empty()) {
        Stop();
        throw std::runtime_error("lorv304d-emulator did not start: " + binary);
    }
    slavePath_ = line;
}

EmulatorProcess::~EmulatorProcess() { Stop(); }

int EmulatorProcess::Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int code = WaitForExit(pid_, 5000);
    if (code == -2) {
        kill(pid_, SIGKILL);
        code = WaitForExit(pid_, 5000);
    }
    pid_ = -1;
    return code;
}

}  // namespace emulator

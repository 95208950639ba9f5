#include "emulator/pty_link.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "emulator/byte_pacer.h"

namespace emulator {

namespace {

constexpr std::int64_t kHangupCheckUs = 50'000;

[[noreturn]] void ThrowErrno(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

std::int64_t MonotonicUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t{ts.tv_sec} * 1'000'000 + ts.tv_nsec / 1000;
}

timespec ToTimespec(std::int64_t us) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(us / 1'000'000);
    ts.tv_nsec = static_cast<long>(us % 1'000'000 * 1000);
    return ts;
}

}  // namespace

PtyLink::PtyLink() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) ThrowErrno("posix_openpt");
    char name[128];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
        const int err = errno;
        ::close(master_);
        throw std::system_error(err, std::generic_category(), "pseudo-terminal slave");
    }
    slavePath_ = name;

    // The line settings live with the pair as long as the master is open, so setting raw mode once
    // through a short-lived slave descriptor holds for every later opener.
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    termios tio{};
    if (slave < 0 || tcgetattr(slave, &tio) != 0) {
        const int err = errno;
        if (slave >= 0) ::close(slave);
        ::close(master_);
        throw std::system_error(err, std::generic_category(), slavePath_);
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tcsetattr(slave, TCSANOW, &tio);
    ::close(slave);

    const int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);
}

PtyLink::~PtyLink() {
    if (master_ >= 0) ::close(master_);
}

std::string PtyLink::PortName() const {
    const std::string dev = "/dev/";
    return slavePath_.rfind(dev, 0) == 0 ? slavePath_.substr(dev.size()) : slavePath_;
}

void PtyLink::Serve(Session& session, std::int64_t bytePeriodUs, const volatile std::sig_atomic_t& stop,
                    const sigset_t& waitMask) {
    BytePacer pacer(bytePeriodUs);
    std::string out;  // answer bytes not yet written
    bool hungUp = false;
    bool writeBlocked = false;  // the pty's buffer is full; wait until it drains

    auto hangUp = [&] {
        hungUp = true;
        out.clear();
        session.Reset();
    };

    while (!stop) {
        if (hungUp) {
            // Nobody has the slave open: the master polls readable (HUP) without pause, so look
            // again only now and then.
            timespec pause = ToTimespec(kHangupCheckUs);
            if (ppoll(nullptr, 0, &pause, &waitMask) < 0 && errno != EINTR) ThrowErrno("ppoll");
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 0) < 0 && errno != EINTR) ThrowErrno("poll");
            if ((p.revents & POLLHUP) && !(p.revents & POLLIN)) continue;
            hungUp = false;
        }

        std::int64_t now = MonotonicUs();
        if (!out.empty() && !writeBlocked) {
            const std::size_t n = pacer.Allowed(now, out.size());
            if (n > 0) {
                const ssize_t w = ::write(master_, out.data(), n);
                if (w > 0) {
                    pacer.Sent(static_cast<std::size_t>(w));
                    out.erase(0, static_cast<std::size_t>(w));
                } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                    writeBlocked = true;
                } else if (w < 0 && errno == EIO) {
                    hangUp();
                    continue;
                } else if (w < 0 && errno != EINTR) {
                    ThrowErrno("write");
                }
            }
        }

        pollfd p{master_, POLLIN, 0};
        if (writeBlocked) p.events |= POLLOUT;
        timespec wait{};
        const timespec* timeout = nullptr;  // nothing to send: sleep until input or a signal
        if (!out.empty() && !writeBlocked) {
            wait = ToTimespec(pacer.WaitUs(MonotonicUs()));
            timeout = &wait;
        }
        const int r = ppoll(&p, 1, timeout, &waitMask);
        if (r < 0) {
            if (errno == EINTR) continue;
            ThrowErrno("ppoll");
        }
        if (p.revents & POLLOUT) writeBlocked = false;
        if (p.revents & POLLIN) {
            char buf[4096];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) {
                const std::string answer = session.Feed(std::string_view(buf, static_cast<std::size_t>(n)));
                if (!answer.empty()) {
                    if (out.empty()) pacer.Restart(MonotonicUs());
                    out += answer;
                }
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            hangUp();  // read 0 or EIO: the other side closed the slave
            continue;
        }
        if (p.revents & (POLLHUP | POLLERR)) hangUp();
    }
}

}  // namespace emulator

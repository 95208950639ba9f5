#include "emulator/pty_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
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
constexpr std::int64_t kUnplugDrainUs = 5'000'000;

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
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) ThrowErrno("posix_openpt");
    char name[128];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
        const int err = errno;
        ::close(master_);
        throw std::system_error(err, std::generic_category(), "pseudo-terminal slave");
    }
    slavePath_ = name;

    // Holding the slave open ourselves keeps the pair's line settings for every later opener and
    // means the master never sees a hang-up when the program closes its end.
    guard_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (guard_ < 0 || tcgetattr(guard_, &tio) != 0) {
        const int err = errno;
        if (guard_ >= 0) ::close(guard_);
        ::close(master_);
        throw std::system_error(err, std::generic_category(), slavePath_);
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    raw_ = tio;
    RestoreRawMode();

    const int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);

    // Added after our own open, so only the program's opens and closes are seen.
    notify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notify_ >= 0 && inotify_add_watch(notify_, name, IN_OPEN | IN_CLOSE) < 0) {
        ::close(notify_);
        notify_ = -1;
    }
}

PtyLink::~PtyLink() {
    if (notify_ >= 0) ::close(notify_);
    if (guard_ >= 0) ::close(guard_);
    if (master_ >= 0) ::close(master_);
}

std::string PtyLink::PortName() const {
    const std::string dev = "/dev/";
    return slavePath_.rfind(dev, 0) == 0 ? slavePath_.substr(dev.size()) : slavePath_;
}

void PtyLink::Unplug(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask) {
    // The program reads what was sent before the line goes, as it would from a device whose
    // adapter is pulled right after its last bytes; a reader that never comes is not waited for.
    // The bytes reach the terminal's input queue a moment after the write, so the queue is looked
    // at only after a pause.
    const std::int64_t until = MonotonicUs() + kUnplugDrainUs;
    int queued = 0;
    do {
        timespec pause = ToTimespec(kHangupCheckUs);
        ppoll(nullptr, 0, &pause, &waitMask);
    } while (!stop && MonotonicUs() < until && ::ioctl(guard_, FIONREAD, &queued) == 0 && queued > 0);
    // Closing the master hangs the line up under the program: reads and writes fail from now on.
    ::close(master_);
    master_ = -1;
    ::close(guard_);
    guard_ = -1;
}

void PtyLink::ClearExclusive() const { ::ioctl(guard_, TIOCNXCL); }

void PtyLink::RestoreRawMode() const { tcsetattr(guard_, TCSANOW, &raw_); }

void PtyLink::Serve(Session& session, std::int64_t bytePeriodUs, const volatile std::sig_atomic_t& stop,
                    const sigset_t& waitMask) {
    BytePacer pacer(bytePeriodUs);
    std::string out;  // answer bytes not yet written
    int openers = 0;  // the program's open descriptors of the slave, as far as inotify tells
    bool hungUp = false;
    bool writeBlocked = false;  // the pty's buffer is full; wait until it drains

    auto lineClosed = [&] {
        out.clear();
        session.Reset();
        ClearExclusive();
        RestoreRawMode();  // an opener may have left other settings (echo, CR/LF translation)
    };

    while (!stop) {
        if (hungUp) {
            // Only if our own slave descriptor failed: the master then polls readable without
            // pause, so look again only now and then.
            timespec pause = ToTimespec(kHangupCheckUs);
            if (ppoll(nullptr, 0, &pause, &waitMask) < 0 && errno != EINTR) ThrowErrno("ppoll");
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 0) < 0 && errno != EINTR) ThrowErrno("poll");
            if ((p.revents & POLLHUP) && !(p.revents & POLLIN)) continue;
            hungUp = false;
        }

        if (!out.empty() && !writeBlocked) {
            const std::size_t n = pacer.Allowed(MonotonicUs(), out.size());
            if (n > 0) {
                const ssize_t w = ::write(master_, out.data(), n);
                if (w > 0) {
                    pacer.Sent(static_cast<std::size_t>(w));
                    out.erase(0, static_cast<std::size_t>(w));
                } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                    writeBlocked = true;
                } else if (w < 0 && errno == EIO) {
                    hungUp = true;
                    lineClosed();
                    continue;
                } else if (w < 0 && errno != EINTR) {
                    ThrowErrno("write");
                }
            }
        }

        if (session.Unplugged() && out.empty()) {
            Unplug(stop, waitMask);
            return;
        }
        pollfd p[2] = {{master_, POLLIN, 0}, {notify_, POLLIN, 0}};
        if (writeBlocked) p[0].events |= POLLOUT;
        timespec wait{};
        const timespec* timeout = nullptr;  // nothing to send: sleep until input or a signal
        if (!out.empty() && !writeBlocked) {
            wait = ToTimespec(pacer.WaitUs(MonotonicUs()));
            timeout = &wait;
        }
        if (ppoll(p, notify_ >= 0 ? 2 : 1, timeout, &waitMask) < 0) {
            if (errno == EINTR) continue;
            ThrowErrno("ppoll");
        }

        // The bytes first, then the opens and closes: what an opener wrote before closing belongs
        // to it, and is dropped with its half command when the line is closed.
        bool closed = false;
        if (p[0].revents & POLLOUT) writeBlocked = false;
        if (p[0].revents & POLLIN) {
            char buf[4096];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) {
                ClearExclusive();
                const std::string answer = session.Feed(std::string_view(buf, static_cast<std::size_t>(n)));
                if (!answer.empty()) {
                    if (out.empty()) pacer.Restart(MonotonicUs());
                    out += answer;
                }
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                hungUp = closed = true;  // read 0 or EIO: the slave side is gone
            }
        } else if (p[0].revents & (POLLHUP | POLLERR)) {
            hungUp = closed = true;
        }
        if (notify_ >= 0 && (p[1].revents & POLLIN)) {
            alignas(inotify_event) char buf[4096];
            const ssize_t n = ::read(notify_, buf, sizeof buf);
            bool sawClose = false;
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buf + at);
                if (event->mask & IN_OPEN) ++openers;
                if ((event->mask & IN_CLOSE) && openers > 0) {
                    --openers;
                    sawClose = true;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
            // A close followed at once by a new open (a program reopening the port) leaves the new
            // opener's answers alone; only a line left with no opener is reset.
            if (sawClose && openers == 0) closed = true;
        }
        if (closed) lineClosed();
    }
}

}  // namespace emulator

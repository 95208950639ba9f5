#include "serial/posix_comm_driver.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "serial/serial_port.h"

namespace {

struct TSpeed {
    uint32_t baud;
    speed_t code;
};

constexpr TSpeed kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedCode(uint32_t baud, speed_t& code) {
    for (const TSpeed& s : kSpeeds) {
        if (s.baud == baud) {
            code = s.code;
            return true;
        }
    }
    return false;
}

uint32_t SpeedBaud(speed_t code) {
    for (const TSpeed& s : kSpeeds) {
        if (s.code == code) return s.baud;
    }
    return 0;
}

void SleepMs(uint32_t ms) {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

// Raw byte transfer: no echo, no line editing, no translation, reads return at once.
void MakeRaw(termios& t) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

}  // namespace

namespace posix_comm {

std::string DevicePathForPort(const std::string& device) {
    static const std::string prefix = "\\\\.\\";
    if (device.compare(0, prefix.size(), prefix) != 0) return device;
    const std::string name = device.substr(prefix.size());
    // "COMn" with n >= 1 is the n-th serial port; anything else is a name under /dev.
    if (name.size() > 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
        (name[2] == 'M' || name[2] == 'm')) {
        const std::string digits = name.substr(3);
        if (digits.size() <= 9 && digits.find_first_not_of("0123456789") == std::string::npos) {
            const long number = std::stol(digits);
            if (number >= 1) return "/dev/ttyS" + std::to_string(number - 1);
        }
    }
    return "/dev/" + name;
}

TLineState LineStateFromTermios(const termios& t, const TLineState& shadow) {
    TLineState s = shadow;
    s.BaudRate = SpeedBaud(::cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
        case CS5:
            s.ByteSize = 5;
            break;
        case CS6:
            s.ByteSize = 6;
            break;
        case CS7:
            s.ByteSize = 7;
            break;
        default:
            s.ByteSize = 8;
            break;
    }
    if (!(t.c_cflag & PARENB))
        s.Parity = 0;
    else if (t.c_cflag & CMSPAR)
        s.Parity = (t.c_cflag & PARODD) ? 3 : 4;
    else
        s.Parity = (t.c_cflag & PARODD) ? 1 : 2;
    // One and a half stop bits have no termios form; the stored choice is kept while CSTOPB is set.
    if (!(t.c_cflag & CSTOPB))
        s.StopBits = 0;
    else if (s.StopBits != 1)
        s.StopBits = 2;
    s.fParity = (t.c_iflag & INPCK) != 0;
    s.fOutX = (t.c_iflag & IXON) != 0;
    s.fInX = (t.c_iflag & IXOFF) != 0;
    const bool rtscts = (t.c_cflag & CRTSCTS) != 0;
    s.fOutxCtsFlow = rtscts;
    if (rtscts)
        s.fRtsControl = 2;
    else if (s.fRtsControl == 2)
        s.fRtsControl = 1;
    s.XonChar = static_cast<char>(t.c_cc[VSTART]);
    s.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    return s;
}

bool LineStateToTermios(const TLineState& s, termios& t) {
    speed_t speed = 0;
    // Speed 0 would hang the line up; like other speeds the terminal cannot run, it is refused.
    if (s.BaudRate == 0 || !SpeedCode(s.BaudRate, speed)) return false;
    if (s.ByteSize < 5 || s.ByteSize > 8 || s.Parity > 4 || s.StopBits > 2) return false;
    MakeRaw(t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[s.ByteSize - 5];
    switch (s.Parity) {
        case 1:
            t.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            t.c_cflag |= PARENB;
            break;
        case 3:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case 4:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    if (s.StopBits != 0) t.c_cflag |= CSTOPB;
    if (s.fOutxCtsFlow || s.fRtsControl == 2) t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF);
    if (s.fParity) t.c_iflag |= INPCK;
    if (s.fOutX) t.c_iflag |= IXON;
    if (s.fInX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.XoffChar);
    return ::cfsetispeed(&t, speed) == 0 && ::cfsetospeed(&t, speed) == 0;
}

}  // namespace posix_comm

std::shared_ptr<TCommDriver> MakePosixCommDriver() { return std::make_shared<TPosixCommDriver>(); }

TPosixCommDriver::~TPosixCommDriver() {
    while (!FPorts.empty()) CloseHandle(FPorts.begin()->first);
}

TPosixCommDriver::TPortState* TPosixCommDriver::Find(TCommHandle h) {
    auto it = FPorts.find(h);
    if (it == FPorts.end()) {
        FLastError = EBADF;
        return nullptr;
    }
    return &it->second;
}

bool TPosixCommDriver::Fail(int code) {
    FLastError = code;
    return false;
}

std::string TPosixCommDriver::SystemErrorText(int32_t code) {
    char buf[256];
    const char* text = strerror_r(code, buf, sizeof buf);
    return text ? std::string(text) : std::string();
}

TCommHandle TPosixCommDriver::CreateFile(const std::string& path) {
    const std::string device = posix_comm::DevicePathForPort(path);
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        FLastError = errno;
        return InvalidCommHandle;
    }
    auto refuse = [&](int code) {
        ::close(fd);
        FLastError = code;
        return InvalidCommHandle;
    };
    if (!::isatty(fd)) return refuse(ENOTTY);
    // TIOCEXCL keeps other users out, but not root; the lock keeps out every opener that asks for it.
    ::ioctl(fd, TIOCEXCL);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return refuse(errno);
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return refuse(errno);
    MakeRaw(t);
    if (::tcsetattr(fd, TCSANOW, &t) != 0) return refuse(errno);

    TPortState port;
    serial_icounter_struct counts{};
    if (::ioctl(fd, TIOCGICOUNT, &counts) == 0) {
        port.haveCounts = true;
        port.frame = counts.frame;
        port.overrun = counts.overrun;
        port.parity = counts.parity;
        port.bufOverrun = counts.buf_overrun;
    }
    port.shadow.DCBlength = 28;
    FPorts[fd] = port;
    // Fill the shadow from what the terminal has now.
    TLineState state;
    GetCommState(fd, state);
    FPorts[fd].shadow = state;
    FLastError = 0;
    return fd;
}

bool TPosixCommDriver::CloseHandle(TCommHandle h) {
    if (!Find(h)) return false;
    FPorts.erase(h);
    ::ioctl(h, TIOCNXCL);
    if (::close(h) != 0) return Fail(errno);
    return true;
}

bool TPosixCommDriver::SetupComm(TCommHandle h, int32_t, int32_t) {
    // The kernel's terminal queues have a fixed size.
    return Find(h) != nullptr;
}

bool TPosixCommDriver::SetCommTimeouts(TCommHandle h, const TCommTimeouts&) {
    // Reads never block (O_NONBLOCK, VMIN = VTIME = 0) and writes have no OS time-out.
    return Find(h) != nullptr;
}

bool TPosixCommDriver::SetCommMask(TCommHandle h, uint32_t mask) {
    TPortState* port = Find(h);
    if (!port) return false;
    port->mask = mask;
    return true;
}

int TPosixCommDriver::QueuedInput(TCommHandle h, TPortState& port) {
    int n = 0;
    // A hung-up terminal fails every ioctl with EIO.
    if (::ioctl(h, FIONREAD, &n) != 0) {
        FLastError = errno;
        return -1;
    }
    return n + static_cast<int>(port.pushback.size());
}

bool TPosixCommDriver::WaitCommEvent(TCommHandle h, uint32_t& events, int32_t timeoutMs) {
    events = 0;
    TPortState* port = Find(h);
    if (!port) return false;
    const uint32_t mask = port->mask;
    if (mask == 0) return true;
    const uint32_t start = MillisecondTick();
    for (;;) {
        if (mask & EV_RXCHAR) {
            const int n = QueuedInput(h, *port);
            if (n < 0) return false;
            if (n > 0) events |= EV_RXCHAR;
        }
        if (mask & EV_TXEMPTY) {
            int out = 0;
            if (::ioctl(h, TIOCOUTQ, &out) != 0) return Fail(errno);
            if (out == 0 && port->pendingOut.empty()) events |= EV_TXEMPTY;
        }
        if (events != 0) return true;
        const int64_t left = int64_t{timeoutMs} - TickSpan(start, MillisecondTick());
        if (left <= 0) return true;
        // Nothing tells when the output has drained, so that wait looks again every few milliseconds.
        int wait = static_cast<int>(left);
        if (mask & EV_TXEMPTY) wait = std::min(wait, 5);
        pollfd p{h, static_cast<short>((mask & EV_RXCHAR) ? POLLIN : 0), 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        if (r == 0) continue;
        if (p.revents & POLLNVAL) return Fail(EBADF);
        if (p.revents & (POLLHUP | POLLERR)) {
            // The other side has gone. Bytes still queued are handed out first; then every wait fails.
            const int n = QueuedInput(h, *port);
            if (n < 0) return false;
            if (n > 0 && (mask & EV_RXCHAR)) continue;
            return Fail(EIO);
        }
        if ((p.revents & POLLIN) && QueuedInput(h, *port) == 0) {
            // Readable with an empty queue: find out what the terminal means by it.
            char c = 0;
            const ssize_t got = ::read(h, &c, 1);
            if (got == 1) {
                port->pushback.push_back(c);
            } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
                return Fail(errno);
            } else {
                SleepMs(1);  // spurious; do not spin
            }
        }
    }
}

bool TPosixCommDriver::MoveOutput(TCommHandle h, TPortState& port) {
    while (!port.pendingOut.empty()) {
        const ssize_t n = ::write(h, port.pendingOut.data(), port.pendingOut.size());
        if (n > 0) {
            port.transferDone += static_cast<size_t>(n);
            port.pendingOut.erase(0, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return true;
        port.transferError = n < 0 ? errno : EIO;
        port.pendingOut.clear();
        return false;
    }
    return true;
}

TTransferStatus TPosixCommDriver::WriteFile(TCommHandle h, const char* buffer, size_t count, size_t& done) {
    done = 0;
    TPortState* port = Find(h);
    if (!port) return TTransferStatus::Failed;
    port->pendingOut.assign(buffer, count);
    port->transferDone = 0;
    port->transferError = 0;
    const bool ok = MoveOutput(h, *port);
    done = port->transferDone;
    if (!ok) {
        FLastError = port->transferError;
        return TTransferStatus::Failed;
    }
    if (port->pendingOut.empty()) return TTransferStatus::Done;
    FLastError = ERROR_IO_PENDING;
    return TTransferStatus::Pending;
}

TTransferStatus TPosixCommDriver::ReadFile(TCommHandle h, char* buffer, size_t count, size_t& done) {
    done = 0;
    TPortState* port = Find(h);
    if (!port) return TTransferStatus::Failed;
    const size_t fromPushback = std::min(count, port->pushback.size());
    std::memcpy(buffer, port->pushback.data(), fromPushback);
    port->pushback.erase(0, fromPushback);
    done = fromPushback;
    while (done < count) {
        const ssize_t n = ::read(h, buffer + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            FLastError = errno;
            return done > 0 ? TTransferStatus::Done : TTransferStatus::Failed;
        }
        break;  // nothing more queued
    }
    return TTransferStatus::Done;
}

bool TPosixCommDriver::WaitForTransfer(TCommHandle h, int32_t timeoutMs) {
    TPortState* port = Find(h);
    if (!port) return true;
    const uint32_t start = MillisecondTick();
    while (!port->pendingOut.empty()) {
        const int64_t left = int64_t{timeoutMs} - TickSpan(start, MillisecondTick());
        if (left <= 0) return false;
        pollfd p{h, POLLOUT, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno != EINTR) {
            port->transferError = errno;
            port->pendingOut.clear();
            return true;
        }
        if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            port->transferError = (p.revents & POLLNVAL) ? EBADF : EIO;
            port->pendingOut.clear();
            return true;
        }
        if (r > 0 && !MoveOutput(h, *port)) return true;
    }
    return true;
}

bool TPosixCommDriver::GetTransferResult(TCommHandle h, size_t& done) {
    done = 0;
    TPortState* port = Find(h);
    if (!port) return false;
    done = port->transferDone;
    if (port->transferError != 0) return Fail(port->transferError);
    return true;
}

bool TPosixCommDriver::PurgeComm(TCommHandle h, uint32_t flags) {
    TPortState* port = Find(h);
    if (!port) return false;
    if (flags & PURGE_TXABORT) port->pendingOut.clear();
    if (flags & PURGE_RXCLEAR) port->pushback.clear();
    const bool tx = flags & PURGE_TXCLEAR;
    const bool rx = flags & PURGE_RXCLEAR;
    if (tx || rx) {
        if (::tcflush(h, tx && rx ? TCIOFLUSH : (tx ? TCOFLUSH : TCIFLUSH)) != 0) return Fail(errno);
    }
    return true;
}

bool TPosixCommDriver::ClearCommError(TCommHandle h, uint32_t& errors, uint32_t& inQueue, uint32_t& outQueue) {
    errors = inQueue = outQueue = 0;
    TPortState* port = Find(h);
    if (!port) return false;
    const int in = QueuedInput(h, *port);
    if (in < 0) return false;
    int out = 0;
    if (::ioctl(h, TIOCOUTQ, &out) != 0) return Fail(errno);
    inQueue = static_cast<uint32_t>(in);
    outQueue = static_cast<uint32_t>(out) + static_cast<uint32_t>(port->pendingOut.size());
    serial_icounter_struct c{};
    if (port->haveCounts && ::ioctl(h, TIOCGICOUNT, &c) == 0) {
        if (c.frame != port->frame) errors |= CE_FRAME;
        if (c.overrun != port->overrun) errors |= CE_OVERRUN;
        if (c.parity != port->parity) errors |= CE_RXPARITY;
        if (c.buf_overrun != port->bufOverrun) errors |= CE_RXOVER;
        port->frame = c.frame;
        port->overrun = c.overrun;
        port->parity = c.parity;
        port->bufOverrun = c.buf_overrun;
    }
    return true;
}

bool TPosixCommDriver::GetCommState(TCommHandle h, TLineState& state) {
    TPortState* port = Find(h);
    if (!port) return false;
    termios t{};
    if (::tcgetattr(h, &t) != 0) return Fail(errno);
    state = posix_comm::LineStateFromTermios(t, port->shadow);
    return true;
}

bool TPosixCommDriver::SetCommState(TCommHandle h, const TLineState& s) {
    TPortState* port = Find(h);
    if (!port) return false;
    termios t{};
    if (::tcgetattr(h, &t) != 0) return Fail(errno);
    if (!posix_comm::LineStateToTermios(s, t)) return Fail(EINVAL);
    if (::tcsetattr(h, TCSANOW, &t) != 0) return Fail(errno);
    // DTR and RTS follow the record where the device has modem lines (a pty has none).
    int dtr = TIOCM_DTR, rts = TIOCM_RTS;
    if (s.fDtrControl == 1) ::ioctl(h, TIOCMBIS, &dtr);
    if (s.fDtrControl == 0) ::ioctl(h, TIOCMBIC, &dtr);
    if (s.fRtsControl == 1) ::ioctl(h, TIOCMBIS, &rts);
    if (s.fRtsControl == 0) ::ioctl(h, TIOCMBIC, &rts);
    port->shadow = s;
    return true;
}

bool TPosixCommDriver::GetCommModemStatus(TCommHandle h, uint32_t& status) {
    if (!Find(h)) return false;
    int lines = 0;
    if (::ioctl(h, TIOCMGET, &lines) != 0) return Fail(errno);
    status = 0;
    if (lines & TIOCM_CTS) status |= MS_CTS_ON;
    if (lines & TIOCM_DSR) status |= MS_DSR_ON;
    if (lines & TIOCM_RNG) status |= MS_RING_ON;
    if (lines & TIOCM_CAR) status |= MS_RLSD_ON;
    return true;
}

bool TPosixCommDriver::EscapeCommFunction(TCommHandle h, uint32_t code) {
    if (!Find(h)) return false;
    int bits = 0;
    unsigned long request = 0;
    switch (code) {
        case SETRTS:
            bits = TIOCM_RTS;
            request = TIOCMBIS;
            break;
        case CLRRTS:
            bits = TIOCM_RTS;
            request = TIOCMBIC;
            break;
        case SETDTR:
            bits = TIOCM_DTR;
            request = TIOCMBIS;
            break;
        case CLRDTR:
            bits = TIOCM_DTR;
            request = TIOCMBIC;
            break;
        default:
            return Fail(EINVAL);
    }
    if (::ioctl(h, request, &bits) != 0) return Fail(errno);
    return true;
}

bool TPosixCommDriver::FlushFileBuffers(TCommHandle h) {
    TPortState* port = Find(h);
    if (!port) return false;
    // Waits for the output to leave, but not for ever: a peer that never reads must not hang us.
    constexpr int32_t kLongestFlushMs = 30000;
    if (!WaitForTransfer(h, kLongestFlushMs)) return Fail(ETIMEDOUT);
    if (port->transferError != 0) return Fail(port->transferError);
    uint32_t events = 0;
    const uint32_t savedMask = port->mask;
    port->mask = EV_TXEMPTY;
    const bool ok = WaitCommEvent(h, events, kLongestFlushMs);
    port->mask = savedMask;
    if (!ok) return false;
    if (!(events & EV_TXEMPTY)) return Fail(ETIMEDOUT);
    return true;
}

bool TPosixCommDriver::SetCommBreak(TCommHandle h) {
    if (!Find(h)) return false;
    if (::ioctl(h, TIOCSBRK) != 0) return Fail(errno);
    return true;
}

bool TPosixCommDriver::ClearCommBreak(TCommHandle h) {
    if (!Find(h)) return false;
    if (::ioctl(h, TIOCCBRK) != 0) return Fail(errno);
    return true;
}

void TPosixCommDriver::Sleep(uint32_t ms) {
    if (ms == 0)
        ::sched_yield();
    else
        SleepMs(ms);
}

uint32_t TPosixCommDriver::MillisecondTick() { return ::MillisecondTick(); }

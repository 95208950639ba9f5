#include "serial/serial_port.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <istream>
#include <limits>
#include <ostream>

namespace {

constexpr uint32_t kPurgeAll =
    TCommDriver::PURGE_TXABORT | TCommDriver::PURGE_RXABORT | TCommDriver::PURGE_TXCLEAR | TCommDriver::PURGE_RXCLEAR;
// Largest piece a stream transfer moves at once.
constexpr int32_t kStreamPiece = 8192;
// Size of the line-state record as the wire format counts it.
constexpr uint32_t kLineStateLength = 28;

std::string UpperAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// Decimal integer of the whole text (leading blanks and a sign allowed); false when it is none or
// does not fit in 32 bits.
bool ParseInt32(const std::string& text, int32_t& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
    value = static_cast<int32_t>(v);
    return true;
}

std::string SystemMessage(int32_t code) {
    char buf[256];
    // GNU strerror_r: returns the text, possibly not in buf.
    const char* text = strerror_r(code, buf, sizeof buf);
    return text ? std::string(text) : std::string();
}

// Bytes of a seekable input stream from its position to its end; must fit in 32 bits.
int32_t StreamRest(std::istream& stream) {
    const std::istream::pos_type pos = stream.tellg();
    if (pos == std::istream::pos_type(-1)) throw std::invalid_argument("stream is not seekable");
    stream.seekg(0, std::ios::end);
    const std::istream::pos_type end = stream.tellg();
    stream.seekg(pos);
    const int64_t rest = static_cast<int64_t>(end) - static_cast<int64_t>(pos);
    if (rest < 0 || rest > std::numeric_limits<int32_t>::max())
        throw std::out_of_range("stream size does not fit in 32 bits");
    return static_cast<int32_t>(rest);
}

void CheckTimeout(int32_t timeoutMs) {
    if (timeoutMs < 0) throw std::out_of_range("negative time-out");
}

}  // namespace

// ---------------------------------------------------------------- free functions

ESerialError::ESerialError(int32_t code, std::string text)
    : std::runtime_error("Communication error " + std::to_string(code) + ": " + text),
      ErrorCode(code),
      ErrorText(std::move(text)) {}

uint32_t MillisecondTick() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

uint32_t TickSpan(uint32_t oldTick, uint32_t newTick) {
    if (oldTick == newTick) return 0;
    if (newTick < oldTick) {
        // Shift both by half the range so a step forward across the wrap becomes a plain difference.
        oldTick += 0x80000000u;
        newTick += 0x80000000u;
    }
    uint32_t span = newTick - oldTick;
    if (newTick < oldTick && span != 0) span = 0u - span;
    return span;
}

std::pair<int32_t, std::string> FindLineBreak(const std::string& text) {
    const size_t i = text.find_first_of("\r\n");
    if (i == std::string::npos) return {-1, std::string()};
    std::string found(1, text[i]);
    if (i + 1 < text.size()) {
        if (text[i] == '\n' && text[i + 1] == '\r') found = "\n\r";
        if (text[i] == '\r' && text[i + 1] == '\n') found = "\r\n";
    }
    return {static_cast<int32_t>(i + 1), found};
}

std::string PackInt32BE(int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    std::string s(4, '\0');
    s[0] = static_cast<char>((v >> 24) & 255u);
    s[1] = static_cast<char>((v >> 16) & 255u);
    s[2] = static_cast<char>((v >> 8) & 255u);
    s[3] = static_cast<char>(v & 255u);
    return s;
}

int32_t ReverseInt32Bytes(int32_t value) {
    const std::string s = PackInt32BE(value);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[static_cast<size_t>(i)]);
    return static_cast<int32_t>(v);
}

void AppendTextToStream(std::ostream& stream, const std::string& text) {
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}

int32_t ParsePortNumber(const std::string& name) {
    const std::string upper = UpperAscii(name);
    int32_t number = 0;
    if (StartsWith(upper, "COM")) {
        if (!ParseInt32(upper.substr(3), number)) number = 0;
        return number == std::numeric_limits<int32_t>::min() ? number : number - 1;
    }
    if (StartsWith(upper, "/DEV/TTYS")) {
        if (!ParseInt32(upper.substr(9), number)) number = -2;
        return number;
    }
    return -1;
}

// ---------------------------------------------------------------- TSerialPort

TSerialPort::TSerialPort(std::shared_ptr<TCommDriver> driver) : FDriver(std::move(driver)) {
    if (!FDriver) throw std::invalid_argument("TSerialPort needs a driver");
}

TSerialPort::~TSerialPort() {
    // A destructor must not throw, even with RaiseExcept set.
    try {
        ClosePort();
    } catch (...) {
    }
}

std::string TSerialPort::GetErrorDesc(int32_t code) {
    switch (code) {
        case SerialOk:
            return "OK";
        case SerialErrOwned:
            return "Port owned by other process";
        case SerialErrInUse:
            return "Instance already in use";
        case SerialErrBadParam:
            return "Wrong parameter at call";
        case SerialErrNotOpen:
            return "Instance not yet connected";
        case SerialErrNoAnswer:
            return "No device answer detected";
        case SerialErrLineTooLong:
            return "Maximal buffer length exceeded";
        case SerialErrTimeout:
            return "Timeout during operation";
        case SerialErrReadFailed:
            return "Reading of data failed";
        case SerialErrFraming:
            return "Receive framing error";
        case SerialErrOverrun:
            return "Receive Overrun Error";
        case SerialErrInputOverflow:
            return "Receive Queue overflow";
        case SerialErrParity:
            return "Receive Parity Error";
        case SerialErrOutputFull:
            return "Tranceive Queue is full";
        default:
            return SystemMessage(code);
    }
}

// ---- error recording

void TSerialPort::SetError(int32_t code) {
    FErrorCode = code;
    FErrorText = GetErrorDesc(code);
}

int32_t TSerialPort::SetErrorFromSystem(int32_t result) {
    const int32_t code = result == -1 ? FDriver->GetLastError() : 0;
    SetError(code);
    return code;
}

void TSerialPort::RaiseIfFailed() {
    if (FRaiseExcept && FErrorCode != 0) throw ESerialError(FErrorCode, GetErrorDesc(FErrorCode));
}

void TSerialPort::FailWith(int32_t code) {
    SetError(code);
    RaiseIfFailed();
}

void TSerialPort::MapLineErrors(uint32_t flags) {
    if (flags & TCommDriver::CE_FRAME) FErrorCode = SerialErrFraming;
    if (flags & TCommDriver::CE_OVERRUN) FErrorCode = SerialErrOverrun;
    if (flags & TCommDriver::CE_RXOVER) FErrorCode = SerialErrInputOverflow;
    if (flags & TCommDriver::CE_RXPARITY) FErrorCode = SerialErrParity;
    if (flags & TCommDriver::CE_TXFULL) FErrorCode = SerialErrOutputFull;
}

void TSerialPort::ReportStatus(TSerialStatusReason reason, const std::string& value) {
    if (FOnStatus) FOnStatus(*this, reason, value);
}

std::string TSerialPort::VersionText() { return "Lorv304D serial port 1.0"; }

// ---- platform-family steps: this system behaves like the NT family

uint16_t TSerialPort::QueryPortAddress() { return 0; }

bool TSerialPort::TransmitterIdle(uint16_t /*address*/) { return true; }

// ---- open and close

void TSerialPort::ParsePortNumber(const std::string& name) { FPortNumber = ::ParsePortNumber(name); }

void TSerialPort::OpenPort(const std::string& device) {
    if (FIsOpen) {
        FailWith(SerialErrInUse);
        return;
    }
    FLineBuffer.clear();
    FDevice = device;
    ParsePortNumber(device);
    FDriver->SetLastError(0);
    if (FPortNumber != -1) FDevice = "\\\\.\\COM" + std::to_string(int64_t{FPortNumber} + 1);

    FHandle = FDriver->CreateFile(FDevice);
    SetErrorFromSystem(FHandle == InvalidCommHandle ? -1 : 0);
    RaiseIfFailed();
    if (FErrorCode != 0) return;

    FDriver->SetCommMask(FHandle, 0);
    FDriver->SetupComm(FHandle, FInputQueueSize, 0);
    // Reads return at once with what is queued; writes have no OS time-out.
    FDriver->SetCommTimeouts(FHandle, TCommTimeouts{65535, 0, 0, 0, 0});

    FPortAddress = QueryPortAddress();
    SetError(0);
    if (ControlLinesAnswer()) {
        FIsOpen = true;
        DriveRts(true);
        DriveDtr(true);
        DiscardAll();
    } else {
        SetError(SerialErrNoAnswer);
        FDriver->CloseHandle(FHandle);
        FHandle = InvalidCommHandle;
        FPortNumber = -1;
    }
    RaiseIfFailed();
    ReportStatus(SR_Connect, FDevice);
}

void TSerialPort::ClosePort() {
    if (FHandle != InvalidCommHandle) {
        // The handle is closed and the state reset even when the drain or the purge raises, so a
        // port whose purge keeps failing can still be closed.
        try {
            // Written bytes go out first: purging the output would throw away what the other side
            // has not read yet (a pty, an adapter that buffers), such as the logger's last "d!".
            // Only input is discarded. The drain is awaited directly: WaitForOutputDrained would
            // also report SR_CanWrite.
            if (OutputQueueCount() != 0) WaitCommEventFor(TCommDriver::EV_TXEMPTY, CloseDrainTimeoutMs);
            DiscardInput();
        } catch (...) {
            FDriver->CloseHandle(FHandle);
            FIsOpen = false;
            FHandle = InvalidCommHandle;
            FPortNumber = -1;
            throw;
        }
        DriveRts(false);
        DriveDtr(false);
        FDriver->CloseHandle(FHandle);
    }
    FIsOpen = false;
    FHandle = InvalidCommHandle;
    FPortNumber = -1;
    SetError(0);
    ReportStatus(SR_Close, FDevice);
}

void TSerialPort::DiscardInput() {
    SetError(0);
    if (!FDriver->PurgeComm(FHandle, TCommDriver::PURGE_RXABORT | TCommDriver::PURGE_RXCLEAR)) SetErrorFromSystem(-1);
    FLineBuffer.clear();
    RaiseIfFailed();
}

// ---- line state

void TSerialPort::LoadLineState() {
    SetError(0);
    TLineState state = FLineState;
    if (FDriver->GetCommState(FHandle, state))
        FLineState = state;
    else
        SetErrorFromSystem(-1);
    RaiseIfFailed();
}

void TSerialPort::StoreLineState() {
    SetError(0);
    if (!FDriver->SetCommState(FHandle, FLineState)) SetErrorFromSystem(-1);
    RaiseIfFailed();
}

void TSerialPort::SetLineParams(int32_t baud, int32_t dataBits, char parity, int32_t stopBits, bool softwareFlow,
                                bool hardwareFlow) {
    FLineState = TLineState{};
    LoadLineState();
    FLineState.DCBlength = kLineStateLength;

    if (baud < 0) throw std::out_of_range("baud rate out of range");
    if (dataBits < 0 || dataBits > 255) throw std::out_of_range("data bits out of range");
    if (stopBits < 0 || stopBits > 255) throw std::out_of_range("stop bits out of range");
    if (FInputQueueSize < 0 || FInputQueueSize / 4 > 65535) throw std::out_of_range("input queue size out of range");

    TLineState& s = FLineState;
    s.BaudRate = static_cast<uint32_t>(baud);
    s.ByteSize = static_cast<uint8_t>(dataBits);
    switch (parity) {
        case 'N':
        case 'n':
            s.Parity = 0;
            break;
        case 'O':
        case 'o':
            s.Parity = 1;
            break;
        case 'E':
        case 'e':
            s.Parity = 2;
            break;
        case 'M':
        case 'm':
            s.Parity = 3;
            break;
        case 'S':
        case 's':
            s.Parity = 4;
            break;
        default:
            break;  // keep the port's parity
    }
    s.StopBits = static_cast<uint8_t>(stopBits);
    s.XonChar = 17;
    s.XoffChar = 19;
    s.XonLim = s.XoffLim = static_cast<uint16_t>(FInputQueueSize / 4);

    s.fBinary = true;
    s.fParity = s.Parity != 0;
    s.fOutxCtsFlow = hardwareFlow;
    s.fOutxDsrFlow = false;
    s.fDtrControl = 1;
    s.fDsrSensitivity = false;
    s.fTXContinueOnXoff = false;
    s.fOutX = softwareFlow;
    s.fInX = softwareFlow;
    s.fErrorChar = false;
    s.fNull = false;
    s.fRtsControl = hardwareFlow ? 2 : 1;
    s.fAbortOnError = false;
    StoreLineState();
}

void TSerialPort::ResizeInputQueue(int32_t size) {
    if (size < 0 || size / 4 > 65535) throw std::out_of_range("input queue size out of range");
    FDriver->SetupComm(FHandle, size, 0);
    LoadLineState();
    FLineState.XonLim = FLineState.XoffLim = static_cast<uint16_t>(size / 4);
    StoreLineState();
    FInputQueueSize = size;
}

// ---- control lines

uint32_t TSerialPort::ReadModemLines() {
    SetError(0);
    uint32_t word = 0;
    if (!FDriver->GetCommModemStatus(FHandle, word)) SetErrorFromSystem(-1);
    RaiseIfFailed();
    FModemLines = word;
    return word;
}

bool TSerialPort::DsrIsOn() { return (ReadModemLines() & TCommDriver::MS_DSR_ON) != 0; }
bool TSerialPort::CtsIsOn() { return (ReadModemLines() & TCommDriver::MS_CTS_ON) != 0; }
bool TSerialPort::CarrierIsOn() { return (ReadModemLines() & TCommDriver::MS_RLSD_ON) != 0; }
bool TSerialPort::RingIsOn() { return (ReadModemLines() & TCommDriver::MS_RING_ON) != 0; }

void TSerialPort::DriveDtr(bool on) {
    FDriver->EscapeCommFunction(FHandle, on ? TCommDriver::SETDTR : TCommDriver::CLRDTR);
}

void TSerialPort::DriveRts(bool on) {
    FDriver->EscapeCommFunction(FHandle, on ? TCommDriver::SETRTS : TCommDriver::CLRRTS);
}

bool TSerialPort::ControlLinesAnswer() {
    if (FTestDSR && !DsrIsOn()) return false;
    if (FTestCTS && !CtsIsOn()) return false;
    return true;
}

bool TSerialPort::NotReadyForIo() {
    if (!FIsOpen) {
        FailWith(SerialErrNotOpen);
        return true;
    }
    if (!ControlLinesAnswer()) {
        FailWith(SerialErrNoAnswer);
        return true;
    }
    return false;
}

void TSerialPort::SetRtsToggle(bool on) {
    SetError(0);
    LoadLineState();
    FLineState.fRtsControl = on ? 3 : 0;
    StoreLineState();
}

// ---- bandwidth cap

void TSerialPort::SetSpeedCap(int32_t bytesPerSecond) { FSendCap = FRecvCap = bytesPerSecond; }

void TSerialPort::ThrottleTransfer(int32_t count, int32_t cap, uint32_t& due) {
    if (cap <= 0) return;
    const uint32_t now = FDriver->MillisecondTick();
    // Besides now < due, the signed distance must be positive: once the tick has wrapped past a due
    // tick from before the wrap, the plain comparison alone would wait for weeks.
    const auto ahead = static_cast<int32_t>(due - now);
    if (now < due && ahead > 0) {
        ReportStatus(SR_Wait, std::to_string(ahead));
        FDriver->Sleep(static_cast<uint32_t>(ahead));
    }
    due = FDriver->MillisecondTick() + static_cast<uint32_t>(static_cast<int64_t>(double(count) / cap * 1000.0));
}

// ---- queues

int32_t TSerialPort::InputQueueCount() {
    uint32_t errors = 0, in = 0, out = 0;
    int32_t result = 0;
    if (FDriver->ClearCommError(FHandle, errors, in, out)) {
        SetError(0);
        result = static_cast<int32_t>(std::min<uint32_t>(in, std::numeric_limits<int32_t>::max()));
    } else {
        SetErrorFromSystem(-1);
    }
    RaiseIfFailed();
    return result;
}

int32_t TSerialPort::OutputQueueCount() {
    SetError(0);
    uint32_t errors = 0, in = 0, out = 0;
    if (!FDriver->ClearCommError(FHandle, errors, in, out)) SetErrorFromSystem(-1);
    RaiseIfFailed();
    return static_cast<int32_t>(std::min<uint32_t>(out, std::numeric_limits<int32_t>::max()));
}

int32_t TSerialPort::PendingInputCount() {
    if (!FLineBuffer.empty()) return static_cast<int32_t>(std::min<size_t>(FLineBuffer.size(), INT32_MAX));
    return InputQueueCount();
}

void TSerialPort::DiscardAll() {
    SetError(0);
    if (!FDriver->PurgeComm(FHandle, kPurgeAll)) SetErrorFromSystem(-1);
    FLineBuffer.clear();
    RaiseIfFailed();
}

void TSerialPort::FlushOutput() {
    SetError(0);
    if (!FDriver->FlushFileBuffers(FHandle)) SetErrorFromSystem(-1);
    RaiseIfFailed();
}

// ---- waiting

bool TSerialPort::WaitCommEventFor(uint32_t mask, int32_t timeoutMs) {
    CheckTimeout(timeoutMs);
    struct MaskReset {
        TCommDriver& driver;
        TCommHandle handle;
        ~MaskReset() { driver.SetCommMask(handle, 0); }
    } reset{*FDriver, FHandle};

    FDriver->SetCommMask(FHandle, mask);
    SetError(0);
    if (mask == TCommDriver::EV_RXCHAR && InputQueueCount() > 0) return true;
    uint32_t events = 0;
    if (!FDriver->WaitCommEvent(FHandle, events, timeoutMs)) {
        // The port failed (a hung-up line, an unplugged adapter): keep the OS code so the caller
        // does not mistake it for silence and wait again at once.
        SetErrorFromSystem(-1);
        return false;
    }
    return (events & mask) == mask;
}

bool TSerialPort::WaitForInput(int32_t timeoutMs) {
    bool result = InputQueueCount() > 0;
    if (!result && FErrorCode == 0) {
        result = WaitCommEventFor(TCommDriver::EV_RXCHAR, timeoutMs);
        // After a failed wait the OS code stays; a second look at the queue would overwrite it.
        if (!result && FErrorCode == 0) result = InputQueueCount() > 0;
    }
    if (result) ReportStatus(SR_CanRead, std::string());
    return result;
}

bool TSerialPort::WaitForInputOrBuffered(int32_t timeoutMs) {
    if (!FLineBuffer.empty()) return true;
    return WaitForInput(timeoutMs);
}

bool TSerialPort::WaitForOutputDrained(int32_t timeoutMs) {
    bool result = OutputQueueCount() == 0;
    if (!result) result = WaitCommEventFor(TCommDriver::EV_TXEMPTY, timeoutMs);
    if (result) ReportStatus(SR_CanWrite, std::string());
    return result;
}

// ---- raw transfers

int32_t TSerialPort::FinishTransfer(TTransferStatus status, size_t done, int32_t count, uint32_t abortFlag) {
    switch (status) {
        case TTransferStatus::Done:
            break;
        case TTransferStatus::Pending:
            if (!FDriver->WaitForTransfer(FHandle, FDeadlockTimeout)) {
                FDriver->PurgeComm(FHandle, abortFlag);
                SetError(SerialErrTimeout);
            }
            if (!FDriver->GetTransferResult(FHandle, done) && FErrorCode == 0) SetErrorFromSystem(-1);
            break;
        case TTransferStatus::Failed:
            SetError(FDriver->GetLastError());
            break;
    }
    uint32_t errors = 0, in = 0, out = 0;
    if (FDriver->ClearCommError(FHandle, errors, in, out) && errors != 0) MapLineErrors(errors);
    return static_cast<int32_t>(std::min<size_t>(done, static_cast<size_t>(count)));
}

int32_t TSerialPort::WriteBytes(const char* buffer, int32_t count) {
    if (count < 0) throw std::out_of_range("negative byte count");
    if (NotReadyForIo()) return 0;
    ThrottleTransfer(count, FSendCap, FSendDue);
    if (FRtsToggle) {
        FlushOutput();
        DriveRts(true);
    }
    SetError(0);
    size_t done = 0;
    const TTransferStatus status = FDriver->WriteFile(FHandle, buffer, static_cast<size_t>(count), done);
    const int32_t written = FinishTransfer(status, done, count, TCommDriver::PURGE_TXABORT);
    if (FRtsToggle) {
        FlushOutput();
        WaitForOutputDrained(255);
        DriveRts(false);
    }
    RaiseIfFailed();
    ReportStatus(SR_WriteCount, std::to_string(written));
    return written;
}

void TSerialPort::WriteOneByte(uint8_t byte) {
    const char c = static_cast<char>(byte);
    WriteBytes(&c, 1);
}

void TSerialPort::WriteText(const std::string& bytes) {
    if (bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw std::out_of_range("text too long for one write");
    WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
}

int32_t TSerialPort::ReadBytesRaw(char* buffer, int32_t count) {
    if (count < 0) throw std::out_of_range("negative byte count");
    FLastReadCount = 0;
    if (NotReadyForIo()) return 0;
    ThrottleTransfer(count, FRecvCap, FRecvDue);
    SetError(0);
    size_t done = 0;
    const TTransferStatus status = FDriver->ReadFile(FHandle, buffer, static_cast<size_t>(count), done);
    const int32_t got = FinishTransfer(status, done, count, TCommDriver::PURGE_RXABORT);
    FLastReadCount = got;
    RaiseIfFailed();
    ReportStatus(SR_ReadCount, std::to_string(got));
    return got;
}

// ---- timed reads

std::string TSerialPort::ReadAvailable(int32_t timeoutMs) {
    std::string result;
    if (NotReadyForIo()) return result;
    SetError(0);
    if (!FLineBuffer.empty()) {
        result.swap(FLineBuffer);
    } else {
        FDriver->Sleep(0);
        auto readQueued = [&](int32_t n) {
            result.resize(static_cast<size_t>(n));
            try {
                result.resize(static_cast<size_t>(ReadBytesRaw(result.data(), n)));
            } catch (...) {
                // A line error raised after the bytes were read: they wait in LineBuffer.
                FLineBuffer = result.substr(0, static_cast<size_t>(std::clamp(FLastReadCount, 0, n)));
                throw;
            }
        };
        int32_t n = InputQueueCount();
        if (n > 0) {
            readQueued(n);
        } else if (FErrorCode == 0) {
            if (WaitForInput(timeoutMs)) {
                n = InputQueueCount();
                if (n > 0)
                    readQueued(n);
                else if (FErrorCode == 0)
                    SetError(SerialErrTimeout);
            } else if (FErrorCode == 0) {
                SetError(SerialErrTimeout);
            }
        }
    }
    RaiseIfFailed();
    return result;
}

bool TSerialPort::TimeLeftOfCall(uint32_t start, int32_t& timeoutMs) {
    const int64_t rest = int64_t{timeoutMs} - TickSpan(start, FDriver->MillisecondTick());
    if (rest > 0) {
        timeoutMs = static_cast<int32_t>(rest);
        return true;
    }
    SetError(SerialErrTimeout);
    return false;
}

std::string TSerialPort::ReadUntil(int32_t timeoutMs, const std::string& terminator) {
    std::string result;
    if (NotReadyForIo()) return result;
    SetError(0);
    if (terminator.empty()) return result;

    const bool crlfMode = FConvertLineEnd && terminator == "\r\n";
    size_t skip = terminator.size();
    std::string acc;
    int32_t pos = 0;
    try {
        for (;;) {
            const uint32_t start = FDriver->MillisecondTick();
            acc += ReadAvailable(timeoutMs);
            if (FErrorCode != 0) break;
            pos = 0;
            if (!acc.empty()) {
                if (crlfMode) {
                    // A CR or LF that ended the previous call pairs with the LF or CR starting this one.
                    if (FPendingCr && acc[0] == '\n') acc.erase(0, 1);
                    if (FPendingLf && !acc.empty() && acc[0] == '\r') acc.erase(0, 1);
                    FPendingCr = FPendingLf = false;
                    const auto [at, found] = FindLineBreak(acc);
                    pos = at > 0 ? at : 0;
                    skip = found.size();
                    FPendingCr = found == "\r";
                    FPendingLf = found == "\n";
                } else {
                    const size_t at = acc.find(terminator);
                    pos = at == std::string::npos ? 0 : static_cast<int32_t>(at + 1);
                }
            }
            if (FMaxLineLength > 0 && acc.size() > static_cast<size_t>(FMaxLineLength)) {
                SetError(SerialErrLineTooLong);
                break;
            }
            if (pos > 0) break;
            if (FInterPacketTimeout || TimeLeftOfCall(start, timeoutMs)) continue;
            break;
        }
    } catch (...) {
        // An inner operation raised: what was gathered goes back in front of anything it kept,
        // so no received byte is lost.
        FLineBuffer = acc + FLineBuffer;
        throw;
    }

    if (FRaiseExcept && FErrorCode != 0) {
        // The caller gets an exception instead of the line, so the whole of it stays buffered.
        FLineBuffer = acc + FLineBuffer;
        RaiseIfFailed();
    }
    if (pos > 0) {
        result = acc.substr(0, static_cast<size_t>(pos - 1));
        acc.erase(0, static_cast<size_t>(pos - 1) + skip);
    }
    // The buffer is empty here unless a line test failed before the first read could take it.
    FLineBuffer = acc + FLineBuffer;
    return result;
}

std::string TSerialPort::ReadLine(int32_t timeoutMs) {
    std::string line = ReadUntil(timeoutMs, "\r\n");
    if (FErrorCode != 0) line.clear();
    return line;
}

int32_t TSerialPort::ReadBytesTimed(char* buffer, int32_t count, int32_t timeoutMs) {
    if (count < 0) throw std::out_of_range("negative byte count");
    if (NotReadyForIo()) return 0;
    SetError(0);
    int32_t got = 0;
    // A raising failure hands the caller no count, so the bytes already taken go back in front of
    // the buffer: nothing received is lost.
    auto giveBack = [&] { FLineBuffer.insert(0, buffer, static_cast<size_t>(got)); };
    try {
        for (;;) {
            const uint32_t start = FDriver->MillisecondTick();
            std::string chunk = ReadAvailable(timeoutMs);
            const auto n = static_cast<int32_t>(std::min<size_t>(chunk.size(), static_cast<size_t>(count - got)));
            std::memcpy(buffer + got, chunk.data(), static_cast<size_t>(n));
            got += n;
            // What the caller did not ask for stays for the next read. An empty chunk took nothing
            // from the buffer (e.g. the line test failed), so the buffer is left as it is.
            if (!chunk.empty()) FLineBuffer = chunk.substr(static_cast<size_t>(n));
            if (FErrorCode != 0 || got >= count) break;
            if (FInterPacketTimeout || TimeLeftOfCall(start, timeoutMs)) continue;
            break;
        }
    } catch (...) {
        giveBack();
        throw;
    }
    if (FRaiseExcept && FErrorCode != 0) {
        giveBack();
        RaiseIfFailed();
    }
    return got;
}

std::string TSerialPort::ReadTextOfLength(int32_t count, int32_t timeoutMs) {
    if (NotReadyForIo()) return std::string();
    SetError(0);
    if (count <= 0) return std::string();
    // Filled in pieces rather than allocated whole up front: the count may come from the peer
    // (a counted text), and a bogus length must not allocate gigabytes before any byte arrives.
    std::string text;
    constexpr int32_t kPiece = 1 << 16;
    const uint32_t callStart = FDriver->MillisecondTick();
    int32_t got = 0;
    try {
        while (got < count) {
            // A whole-call time-out covers all pieces: each gets only what the earlier ones left.
            int32_t pieceTimeout = timeoutMs;
            if (!FInterPacketTimeout && got > 0 && !TimeLeftOfCall(callStart, pieceTimeout)) break;
            const int32_t want = std::min(kPiece, count - got);
            text.resize(static_cast<size_t>(got + want));
            const int32_t n = ReadBytesTimed(text.data() + got, want, pieceTimeout);
            got += n;
            if (FErrorCode != 0 || n < want) break;
        }
    } catch (...) {
        // The failing piece gave its own bytes back already; the earlier pieces go in front of them.
        FLineBuffer.insert(0, text.data(), static_cast<size_t>(got));
        throw;
    }
    if (FErrorCode != 0) {
        if (FRaiseExcept) {
            FLineBuffer.insert(0, text.data(), static_cast<size_t>(got));
            RaiseIfFailed();
        }
        return std::string();  // a text cut short by a failure is no text of that length
    }
    text.resize(static_cast<size_t>(got));
    return text;
}

uint8_t TSerialPort::ReadOneByte(int32_t timeoutMs) {
    if (NotReadyForIo()) return 0;
    SetError(0);
    if (FLineBuffer.empty()) FLineBuffer = ReadAvailable(timeoutMs);
    uint8_t byte = 0;
    if (FErrorCode == 0 && !FLineBuffer.empty()) {
        byte = static_cast<uint8_t>(FLineBuffer[0]);
        FLineBuffer.erase(0, 1);
    }
    RaiseIfFailed();
    return byte;
}

// ---- typed values and streams

void TSerialPort::WriteInt32(int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    const char bytes[4] = {static_cast<char>(v & 255u), static_cast<char>((v >> 8) & 255u),
                           static_cast<char>((v >> 16) & 255u), static_cast<char>((v >> 24) & 255u)};
    WriteBytes(bytes, 4);
}

void TSerialPort::WriteCountedText(const std::string& text) {
    if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw std::out_of_range("text too long for a counted text");
    WriteInt32(static_cast<int32_t>(text.size()));
    WriteText(text);
}

void TSerialPort::WriteStreamRest(std::istream& stream) {
    const int32_t remaining = StreamRest(stream);
    int32_t sent = 0;
    std::string piece;
    while (sent < remaining) {
        const int32_t n = std::min(remaining - sent, kStreamPiece);
        piece.resize(static_cast<size_t>(n));
        stream.read(piece.data(), n);
        const auto got = static_cast<int32_t>(stream.gcount());
        if (got < 1) break;
        piece.resize(static_cast<size_t>(got));
        WriteText(piece);
        sent += got;
    }
}

void TSerialPort::WriteCountedStream(std::istream& stream) {
    WriteInt32(StreamRest(stream));
    WriteStreamRest(stream);
}

void TSerialPort::WriteCountedStreamBE(std::istream& stream) {
    WriteInt32(ReverseInt32Bytes(StreamRest(stream)));
    WriteStreamRest(stream);
}

int32_t TSerialPort::ReadInt32(int32_t timeoutMs) {
    const std::string s = ReadTextOfLength(4, timeoutMs);
    if (FErrorCode != 0 || s.size() < 4) return 0;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[static_cast<size_t>(i)]);
    return static_cast<int32_t>(v);
}

std::string TSerialPort::ReadCountedText(int32_t timeoutMs) {
    const int32_t n = ReadInt32(timeoutMs);
    if (FErrorCode != 0) return std::string();
    return ReadTextOfLength(n, timeoutMs);
}

void TSerialPort::ReadToStreamUntilIdle(std::ostream& stream, int32_t timeoutMs) {
    do {
        const std::string s = ReadAvailable(timeoutMs);
        if (FErrorCode == 0) AppendTextToStream(stream, s);
    } while (FErrorCode == 0);
}

void TSerialPort::ReadToStream(std::ostream& stream, int32_t timeoutMs, int32_t count) {
    if (count <= 0) return;
    for (int32_t block = 0; block < count / kStreamPiece; ++block) {
        const std::string s = ReadTextOfLength(kStreamPiece, timeoutMs);
        if (FErrorCode != 0) return;
        AppendTextToStream(stream, s);
    }
    const int32_t rest = count % kStreamPiece;
    if (rest > 0) {
        const std::string s = ReadTextOfLength(rest, timeoutMs);
        if (FErrorCode == 0) AppendTextToStream(stream, s);
    }
}

void TSerialPort::ReadCountedStream(std::ostream& stream, int32_t timeoutMs) {
    const int32_t n = ReadInt32(timeoutMs);
    if (FErrorCode == 0) ReadToStream(stream, timeoutMs, n);
}

void TSerialPort::ReadCountedStreamBE(std::ostream& stream, int32_t timeoutMs) {
    const int32_t n = ReverseInt32Bytes(ReadInt32(timeoutMs));
    if (FErrorCode == 0) ReadToStream(stream, timeoutMs, n);
}

// ---- break and modem commands

void TSerialPort::SendBreakPulse(int32_t ms) {
    if (ms < 0) throw std::out_of_range("negative break duration");
    FDriver->SetCommBreak(FHandle);
    FDriver->Sleep(static_cast<uint32_t>(ms));
    SetError(0);
    if (!FDriver->ClearCommBreak(FHandle)) SetErrorFromSystem(-1);
}

std::string TSerialPort::RunModemExchange(const std::string& command, bool dial) {
    std::string result;
    FModemReplyOk = false;
    struct Restore {
        bool& flag;
        bool saved;
        ~Restore() { flag = saved; }
    } restore{FConvertLineEnd, FConvertLineEnd};
    FConvertLineEnd = true;

    const int64_t wait = dial ? int64_t{FAtTimeout} * 90 : int64_t{FAtTimeout};
    const auto lineTimeout = static_cast<int32_t>(
        std::clamp<int64_t>(wait, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    WriteText(command + "\r");
    for (;;) {
        const std::string line = ReadLine(lineTimeout);
        if (line != command) result += line + "\r\n";
        if (dial) {
            if (line == "NO CARRIER" || line == "ERROR" || line == "BUSY" || line == "NO DIALTONE") break;
            if (StartsWith(line, "CONNECT")) {
                FModemReplyOk = true;
                break;
            }
        } else {
            if (line == "OK") {
                FModemReplyOk = true;
                break;
            }
            if (line == "ERROR") break;
        }
        if (FErrorCode != 0) break;
    }
    return result;
}

std::string TSerialPort::ModemCommand(const std::string& command) { return RunModemExchange(command, false); }

std::string TSerialPort::ModemDial(const std::string& command) { return RunModemExchange(command, true); }

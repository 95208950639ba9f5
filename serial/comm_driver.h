#pragma once
// The operating-system services a serial port runs over. TSerialPort holds all the port logic
// (line buffer, terminator search, time-outs, error codes) and asks a driver only for these
// primitive services, so the same logic runs over the real OS (posix_comm_driver.h) and over a
// scripted driver with a virtual clock in the tests.
//
// Conventions for every call that returns bool: true = success; false = failure, and the code of
// the failure is then available from GetLastError() (an errno value for the POSIX driver).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Handle of an open port; InvalidCommHandle (-1) when none.
using TCommHandle = int;
constexpr TCommHandle InvalidCommHandle = -1;

// Line settings of a port. This is the program's own record; each driver converts it to and from
// whatever the OS keeps (termios on POSIX). Values the OS cannot hold (queue limits, the special
// characters the OS has no slot for) are kept by the driver so that a read gives back what was stored.
struct TLineState {
    uint32_t DCBlength = 0;  // size of the record as the wire format counts it (28)
    uint32_t BaudRate = 0;   // bits per second
    bool fBinary = false;
    bool fParity = false;       // check parity of received bytes
    bool fOutxCtsFlow = false;  // hold output while CTS is off
    bool fOutxDsrFlow = false;  // hold output while DSR is off
    uint8_t fDtrControl = 0;    // 0 disable, 1 enable, 2 handshake
    bool fDsrSensitivity = false;
    bool fTXContinueOnXoff = false;
    bool fOutX = false;  // XON/XOFF on output
    bool fInX = false;   // XON/XOFF on input
    bool fErrorChar = false;
    bool fNull = false;
    uint8_t fRtsControl = 0;  // 0 disable, 1 enable, 2 handshake, 3 toggle
    bool fAbortOnError = false;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 0;  // data bits, 5..8
    uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;

    bool operator==(const TLineState&) const = default;
};

// Time-outs handed to the OS at open (milliseconds). The port always asks for "return at once with
// what is queued" on read and "no OS time-out" on write; drivers without such a setting ignore it.
struct TCommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

// Outcome of a read or write handed to the driver.
enum class TTransferStatus {
    Done,     // finished; the count is final
    Pending,  // goes on in the background: WaitForTransfer, then GetTransferResult
    Failed    // failed; GetLastError() has the code
};

class TCommDriver {
  public:
    // Event bits for SetCommMask / WaitCommEvent.
    static constexpr uint32_t EV_RXCHAR = 1;   // a byte arrived
    static constexpr uint32_t EV_TXEMPTY = 4;  // the output queue drained
    // PurgeComm flags.
    static constexpr uint32_t PURGE_TXABORT = 1;
    static constexpr uint32_t PURGE_RXABORT = 2;
    static constexpr uint32_t PURGE_TXCLEAR = 4;
    static constexpr uint32_t PURGE_RXCLEAR = 8;
    // Line-error flags reported by ClearCommError.
    static constexpr uint32_t CE_RXOVER = 1;
    static constexpr uint32_t CE_OVERRUN = 2;
    static constexpr uint32_t CE_RXPARITY = 4;
    static constexpr uint32_t CE_FRAME = 8;
    static constexpr uint32_t CE_TXFULL = 256;
    // Modem status bits.
    static constexpr uint32_t MS_CTS_ON = 16;
    static constexpr uint32_t MS_DSR_ON = 32;
    static constexpr uint32_t MS_RING_ON = 64;
    static constexpr uint32_t MS_RLSD_ON = 128;
    // EscapeCommFunction codes.
    static constexpr uint32_t SETRTS = 3;
    static constexpr uint32_t CLRRTS = 4;
    static constexpr uint32_t SETDTR = 5;
    static constexpr uint32_t CLRDTR = 6;
    // Code of a transfer that goes on in the background.
    static constexpr int32_t ERROR_IO_PENDING = 997;

    virtual ~TCommDriver() = default;

    // Opens an existing device for reading and writing, exclusively (a second open of the same
    // device fails). Returns the handle, or InvalidCommHandle with the code in GetLastError().
    virtual TCommHandle CreateFile(const std::string& path) = 0;
    virtual bool CloseHandle(TCommHandle h) = 0;

    // The code of the last failed call (0 after SetLastError(0)).
    virtual void SetLastError(int32_t code) = 0;
    virtual int32_t GetLastError() = 0;
    // The OS's message text for a code (may be empty).
    virtual std::string SystemErrorText(int32_t code) = 0;

    // Queue sizes in bytes; a driver whose OS has fixed queues accepts and ignores them.
    virtual bool SetupComm(TCommHandle h, int32_t inQueue, int32_t outQueue) = 0;
    virtual bool SetCommTimeouts(TCommHandle h, const TCommTimeouts& timeouts) = 0;

    // Selects the events WaitCommEvent waits for; 0 = none.
    virtual bool SetCommMask(TCommHandle h, uint32_t mask) = 0;
    // Waits at most timeoutMs (>= 0) for one of the events of the current mask. true with the events
    // that occurred in `events` (0 when the time ran out); false when the port failed, e.g. a line
    // whose other side hung up (never reported as "nothing arrived").
    virtual bool WaitCommEvent(TCommHandle h, uint32_t& events, int32_t timeoutMs) = 0;

    // Starts a transfer. Done: `done` bytes moved. Pending: the rest goes on in the background.
    // Failed: code in GetLastError(). A read asks only for bytes already queued.
    virtual TTransferStatus WriteFile(TCommHandle h, const char* buffer, size_t count, size_t& done) = 0;
    virtual TTransferStatus ReadFile(TCommHandle h, char* buffer, size_t count, size_t& done) = 0;
    // Waits at most timeoutMs for the pending transfer of the handle; true when it finished.
    virtual bool WaitForTransfer(TCommHandle h, int32_t timeoutMs) = 0;
    // The count moved so far by the last transfer of the handle, without waiting.
    virtual bool GetTransferResult(TCommHandle h, size_t& done) = 0;

    // Ends pending transfers and/or empties queues (PURGE_* flags).
    virtual bool PurgeComm(TCommHandle h, uint32_t flags) = 0;
    // Line-error flags since the last call (CE_*; cleared by the call) and the byte counts of the
    // input and output queues.
    virtual bool ClearCommError(TCommHandle h, uint32_t& errors, uint32_t& inQueue, uint32_t& outQueue) = 0;

    virtual bool GetCommState(TCommHandle h, TLineState& state) = 0;
    virtual bool SetCommState(TCommHandle h, const TLineState& state) = 0;
    // Modem status word (MS_* bits).
    virtual bool GetCommModemStatus(TCommHandle h, uint32_t& status) = 0;
    // SETRTS / CLRRTS / SETDTR / CLRDTR.
    virtual bool EscapeCommFunction(TCommHandle h, uint32_t code) = 0;
    // Returns when the output queue has been sent.
    virtual bool FlushFileBuffers(TCommHandle h) = 0;
    virtual bool SetCommBreak(TCommHandle h) = 0;
    virtual bool ClearCommBreak(TCommHandle h) = 0;

    // Blocks the caller for ms milliseconds; 0 yields the processor once.
    virtual void Sleep(uint32_t ms) = 0;
    // Milliseconds of a monotonic clock, wrapping at 2^32.
    virtual uint32_t MillisecondTick() = 0;
};

// The driver over the real OS (POSIX termios).
std::shared_ptr<TCommDriver> MakePosixCommDriver();

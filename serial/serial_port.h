#pragma once
// TSerialPort: a blocking serial port with a line buffer, time-outs and error codes.
//
// Every operation runs on the caller's thread and returns when it has finished, failed or timed
// out. Failures are reported in ErrorCode() (0 = success, 9991..10003 the port's own conditions,
// anything else an OS error code, an errno value on POSIX); only when RaiseExcept is set does a
// failing operation also throw ESerialError. Arguments outside their range (negative time-outs,
// baud rates or queue sizes, byte fields above 255) throw std::out_of_range whatever RaiseExcept says.
//
// All time-outs are in milliseconds. Byte strings (std::string) may hold any byte, including 0.
// The object is used from one thread at a time and holds no lock.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "serial/comm_driver.h"

// Result codes of the port's own conditions (ErrorCode()); texts from GetErrorDesc().
constexpr int32_t SerialOk = 0;                    // "OK"
constexpr int32_t SerialErrOwned = 9991;           // "Port owned by other process"
constexpr int32_t SerialErrInUse = 9992;           // "Instance already in use"
constexpr int32_t SerialErrBadParam = 9993;        // "Wrong parameter at call"
constexpr int32_t SerialErrNotOpen = 9994;         // "Instance not yet connected"
constexpr int32_t SerialErrNoAnswer = 9995;        // "No device answer detected"
constexpr int32_t SerialErrLineTooLong = 9996;     // "Maximal buffer length exceeded"
constexpr int32_t SerialErrTimeout = 9997;         // "Timeout during operation"
constexpr int32_t SerialErrReadFailed = 9998;      // "Reading of data failed"
constexpr int32_t SerialErrFraming = 9999;         // "Receive framing error"
constexpr int32_t SerialErrOverrun = 10000;        // "Receive Overrun Error"
constexpr int32_t SerialErrInputOverflow = 10001;  // "Receive Queue overflow"
constexpr int32_t SerialErrParity = 10002;         // "Receive Parity Error"
constexpr int32_t SerialErrOutputFull = 10003;     // "Tranceive Queue is full"

// Longest wait of ClosePort for written bytes to leave, in milliseconds.
constexpr int32_t CloseDrainTimeoutMs = 500;

// Thrown by a failing operation when RaiseExcept is set.
// what() is "Communication error <code>: <text>".
class ESerialError : public std::runtime_error {
  public:
    ESerialError(int32_t code, std::string text);
    int32_t ErrorCode;
    std::string ErrorText;
};

class TSerialPort;

// Why the status hook was called; Value holds the text named here.
enum TSerialStatusReason {
    SR_Close,       // ClosePort, every call; Value = Device
    SR_Connect,     // OpenPort after the OS opened the device (also when the line test failed); Device
    SR_CanRead,     // WaitForInput found input; empty
    SR_CanWrite,    // WaitForOutputDrained found the output drained; empty
    SR_ReadCount,   // ReadBytesRaw; decimal count read
    SR_WriteCount,  // WriteBytes; decimal count written
    SR_Wait         // ThrottleTransfer about to sleep; decimal milliseconds
};

// Status hook, called synchronously inside the reporting operation.
using TSerialStatusHook =
    std::function<void(TSerialPort& Sender, TSerialStatusReason Reason, const std::string& Value)>;

// Milliseconds of the monotonic clock, low 32 bits (wraps after about 49.7 days).
uint32_t MillisecondTick();
// Milliseconds from tick `oldTick` to tick `newTick`, correct across the 2^32 wrap; a new tick
// slightly behind the old one gives their distance, never a huge number.
uint32_t TickSpan(uint32_t oldTick, uint32_t newTick);
// The first line break of `text`: its 1-based position (-1 when there is none) and the break found:
// CR, LF, CR LF or LF CR (a pair only when both bytes are there).
std::pair<int32_t, std::string> FindLineBreak(const std::string& text);
// The 4 bytes of value, most significant first.
std::string PackInt32BE(int32_t value);
// value with its byte order reversed.
int32_t ReverseInt32Bytes(int32_t value);
// Writes all bytes of text to the stream in one write.
void AppendTextToStream(std::ostream& stream, const std::string& text);
// Zero-based COM number of a port name: "COMn" (any case) gives n-1 ("COM"/"COMX": -1),
// "/dev/ttySn" (any case) gives n (no number: -2), anything else -1.
int32_t ParsePortNumber(const std::string& name);

class TSerialPort {
  public:
    // Create: no port open, ErrorCode 0, ErrorText "OK". The driver supplies the OS services.
    explicit TSerialPort(std::shared_ptr<TCommDriver> driver = MakePosixCommDriver());
    // Destroy: ClosePort.
    virtual ~TSerialPort();
    TSerialPort(const TSerialPort&) = delete;
    TSerialPort& operator=(const TSerialPort&) = delete;

    // Text for a code: the fixed texts for 0 and 9991..10003, else the OS's message for the code.
    static std::string GetErrorDesc(int32_t code);

    // ---- overridable operations ----

    // Sets ErrorCode (not ErrorText) from line-error flags; later hits win: frame 9999, overrun
    // 10000, input overflow 10001, parity 10002, output full 10003.
    virtual void MapLineErrors(uint32_t flags);
    // UART base address; 0 (no such thing on this OS).
    virtual uint16_t QueryPortAddress();
    // Whether the transmitter is empty; always true here.
    virtual bool TransmitterIdle(uint16_t address);
    // New input queue size in bytes; the XON/XOFF limits become size / 4. std::out_of_range for a
    // negative size or a quarter above 65535.
    virtual void ResizeInputQueue(int32_t size);
    virtual bool DsrIsOn();
    virtual void DriveDtr(bool on);  // ErrorCode untouched, result ignored
    virtual bool CtsIsOn();
    virtual void DriveRts(bool on);  // ErrorCode untouched, result ignored
    virtual bool CarrierIsOn();
    virtual bool RingIsOn();
    // Calls OnStatus when assigned.
    virtual void ReportStatus(TSerialStatusReason reason, const std::string& value);
    // Sets PortNumber from a name (see the free ParsePortNumber).
    virtual void ParsePortNumber(const std::string& name);
    // false when the port can do I/O; otherwise fails with 9994 (closed) or 9995 (line test) and true.
    virtual bool NotReadyForIo();
    // The line test: false when TestDSR and DSR is off, or TestCTS and CTS is off.
    virtual bool ControlLinesAnswer();
    // Bandwidth cap: waits until `due`, then sets due to now + count / cap seconds. cap <= 0: nothing.
    virtual void ThrottleTransfer(int32_t count, int32_t cap, uint32_t& due);
    virtual void SetSpeedCap(int32_t bytesPerSecond);
    virtual std::string VersionText();

    // Closes the port (also when none is open); reports SR_Close; ErrorCode 0. Bytes written
    // before go out first (at most CloseDrainTimeoutMs is waited for the output to drain); only
    // input is discarded.
    virtual void ClosePort();
    // baud >= 0, dataBits and stopBits 0..255 (std::out_of_range otherwise). parity N/O/E/M/S (any
    // case); any other character keeps the port's parity. stopBits 0 one, 1 one and a half, 2 two.
    // Does not check IsOpen: on a closed port ErrorCode ends as the OS's bad-handle code.
    virtual void SetLineParams(int32_t baud, int32_t dataBits, char parity, int32_t stopBits, bool softwareFlow,
                               bool hardwareFlow);
    // Opens a device: "COMn"/"/dev/ttySn" open "\\.\COMn" (= /dev/ttyS(n-1)); "\\.\NAME" opens
    // /dev/NAME; any other path opens as given. 9992 when already open (the old port stays),
    // the OS code when the open fails, 9995 when the line test fails (closed again).
    virtual void OpenPort(const std::string& device);
    virtual void StoreLineState();  // LineState -> port
    virtual void LoadLineState();   // port -> LineState

    // Sends count bytes in one transfer; returns the count written (9997 after DeadlockTimeout).
    virtual int32_t WriteBytes(const char* buffer, int32_t count);
    virtual void WriteOneByte(uint8_t byte);
    virtual void WriteText(const std::string& bytes);
    virtual void WriteInt32(int32_t value);                  // 4 bytes, least significant first
    virtual void WriteCountedText(const std::string& text);  // int32 length, then the bytes
    // The rest of the stream (size - position bytes, at most 8192 per write); std::out_of_range when
    // the rest does not fit in 32 bits.
    virtual void WriteStreamRest(std::istream& stream);
    virtual void WriteCountedStream(std::istream& stream);    // length least significant first
    virtual void WriteCountedStreamBE(std::istream& stream);  // length most significant first

    // Reads at most count bytes that are already queued by the OS; returns the count read.
    virtual int32_t ReadBytesRaw(char* buffer, int32_t count);
    // Reads up to count bytes; extra bytes of the last piece stay in LineBuffer. Returns the count.
    // The time-out applies to each wait (InterPacketTimeout) or to the whole call. When a failure
    // raises (RaiseExcept), the bytes already taken go back to the front of LineBuffer.
    virtual int32_t ReadBytesTimed(char* buffer, int32_t count, int32_t timeoutMs);
    // Exactly count bytes, or empty on failure (the bytes received are then dropped, unless the
    // failure raises: then they stay in LineBuffer). A whole-call time-out covers the whole text.
    virtual std::string ReadTextOfLength(int32_t count, int32_t timeoutMs);
    // LineBuffer if not empty, else what the OS has queued, else waits up to timeoutMs for the first
    // byte and returns what has arrived by then. 9997 when nothing came.
    virtual std::string ReadAvailable(int32_t timeoutMs);
    // One byte, or 0 on failure.
    virtual uint8_t ReadOneByte(int32_t timeoutMs);
    // The bytes before the first terminator, without it. The time-out applies to each wait for data
    // (InterPacketTimeout) or to the whole call. Bytes not returned stay in LineBuffer, also after a
    // failure. Empty terminator: empty, ErrorCode 0. ConvertLineEnd with terminator CR LF: any line
    // break ends the line. 9996 when more than MaxLineLength bytes were gathered (a line found in that
    // pass is still returned); 9997 on time-out (empty result).
    virtual std::string ReadUntil(int32_t timeoutMs, const std::string& terminator);
    // ReadUntil(timeoutMs, CR LF); empty on failure.
    virtual std::string ReadLine(int32_t timeoutMs);
    virtual int32_t ReadInt32(int32_t timeoutMs);  // 4 bytes least significant first; 0 on failure
    virtual std::string ReadCountedText(int32_t timeoutMs);
    // Appends everything received until the line falls silent for timeoutMs; always ends with a
    // code set (9997 after a normal end).
    virtual void ReadToStreamUntilIdle(std::ostream& stream, int32_t timeoutMs);
    // count bytes in pieces of 8192; on failure the stream keeps the whole pieces written.
    virtual void ReadToStream(std::ostream& stream, int32_t timeoutMs, int32_t count);
    virtual void ReadCountedStream(std::ostream& stream, int32_t timeoutMs);
    virtual void ReadCountedStreamBE(std::ostream& stream, int32_t timeoutMs);

    virtual int32_t InputQueueCount();    // bytes queued by the OS; 0 on failure
    virtual int32_t PendingInputCount();  // LineBuffer length if not empty, else InputQueueCount
    virtual int32_t OutputQueueCount();
    virtual void SetRtsToggle(bool on);
    virtual void FlushOutput();
    // Purges both directions and empties LineBuffer (also on a closed port, which leaves the OS's
    // bad-handle code in ErrorCode).
    virtual void DiscardAll();
    // Purges the input only and empties LineBuffer (as DiscardAll does for a closed port); what
    // was written stays on its way.
    void DiscardInput();
    virtual bool WaitForInput(int32_t timeoutMs);
    virtual bool WaitForOutputDrained(int32_t timeoutMs);
    virtual bool WaitForInputOrBuffered(int32_t timeoutMs);
    virtual uint32_t ReadModemLines();  // MS_* bits; also kept in ModemLines
    // Holds the line in break for ms (std::out_of_range when negative).
    virtual void SendBreakPulse(int32_t ms);
    // Sends command + CR and collects the reply lines (each + CR LF, the echo dropped) until OK or
    // ERROR or a failure; ModemReplyOk tells whether it ended with OK. Lines wait AtTimeout each.
    virtual std::string ModemCommand(const std::string& command);
    // As ModemCommand, lines wait AtTimeout * 90; ends with a line beginning "CONNECT" (ok) or
    // "NO CARRIER", "ERROR", "BUSY", "NO DIALTONE".
    virtual std::string ModemDial(const std::string& command);
    // result -1: ErrorCode := the OS's last error; else 0. Returns the code.
    virtual int32_t SetErrorFromSystem(int32_t result);
    virtual void RaiseIfFailed();
    virtual void SetError(int32_t code);
    virtual void FailWith(int32_t code);

    // Waits at most timeoutMs (std::out_of_range when negative) until every event of mask occurred.
    bool WaitCommEventFor(uint32_t mask, int32_t timeoutMs);

    // ---- properties ----
    const TSerialStatusHook& OnStatus() const { return FOnStatus; }
    void SetOnStatus(TSerialStatusHook hook) { FOnStatus = std::move(hook); }
    TCommHandle Handle() const { return FHandle; }
    void SetHandle(TCommHandle h) { FHandle = h; }
    std::string& LineBuffer() { return FLineBuffer; }
    void SetLineBuffer(const std::string& bytes) { FLineBuffer = bytes; }
    bool RaiseExcept() const { return FRaiseExcept; }
    void SetRaiseExcept(bool on) { FRaiseExcept = on; }
    bool TestDSR() const { return FTestDSR; }
    void SetTestDSR(bool on) { FTestDSR = on; }
    bool TestCTS() const { return FTestCTS; }
    void SetTestCTS(bool on) { FTestCTS = on; }
    int32_t MaxLineLength() const { return FMaxLineLength; }
    void SetMaxLineLength(int32_t bytes) { FMaxLineLength = bytes; }
    int32_t DeadlockTimeout() const { return FDeadlockTimeout; }
    void SetDeadlockTimeout(int32_t ms) { FDeadlockTimeout = ms; }
    bool ConvertLineEnd() const { return FConvertLineEnd; }
    void SetConvertLineEnd(bool on) { FConvertLineEnd = on; }
    int32_t AtTimeout() const { return FAtTimeout; }
    void SetAtTimeout(int32_t ms) { FAtTimeout = ms; }
    bool InterPacketTimeout() const { return FInterPacketTimeout; }
    void SetInterPacketTimeout(bool on) { FInterPacketTimeout = on; }

    int32_t ErrorCode() const { return FErrorCode; }
    const std::string& ErrorText() const { return FErrorText; }
    const std::string& Device() const { return FDevice; }
    bool IsOpen() const { return FIsOpen; }
    bool ModemReplyOk() const { return FModemReplyOk; }

    int32_t InputQueueSize() const { return FInputQueueSize; }
    uint32_t ModemLines() const { return FModemLines; }
    bool RtsToggle() const { return FRtsToggle; }
    bool PendingCr() const { return FPendingCr; }
    bool PendingLf() const { return FPendingLf; }
    int32_t SendCap() const { return FSendCap; }
    int32_t RecvCap() const { return FRecvCap; }
    uint32_t SendDue() const { return FSendDue; }
    uint32_t RecvDue() const { return FRecvDue; }
    int32_t PortNumber() const { return FPortNumber; }
    uint16_t PortAddress() const { return FPortAddress; }
    const TLineState& LineState() const { return FLineState; }
    TLineState& LineState() { return FLineState; }
    TCommDriver& Driver() { return *FDriver; }

  protected:
    // Shared body of ModemCommand and ModemDial.
    std::string RunModemExchange(const std::string& command, bool dial);
    // Shared end of WriteBytes and ReadBytesRaw: waits for a transfer the driver left pending
    // (purging with `abortFlag` after DeadlockTimeout), records its error, maps the line errors
    // and returns the bytes moved, at most `count`.
    int32_t FinishTransfer(TTransferStatus status, size_t done, int32_t count, uint32_t abortFlag);
    // For a read whose time-out covers the whole call: takes from `timeoutMs` what passed since
    // `start` and returns true while some is left; otherwise sets SerialErrTimeout and returns false.
    bool TimeLeftOfCall(uint32_t start, int32_t& timeoutMs);

    std::shared_ptr<TCommDriver> FDriver;
    int32_t FLastReadCount = 0;  // bytes moved by the last ReadBytesRaw, also when it then raised
    TSerialStatusHook FOnStatus;
    TCommHandle FHandle = InvalidCommHandle;
    std::string FDevice;
    int32_t FErrorCode = 0;
    std::string FErrorText = "OK";
    std::string FLineBuffer;
    bool FRaiseExcept = false;
    int32_t FInputQueueSize = 4096;
    uint32_t FModemLines = 0;
    bool FRtsToggle = false;
    int32_t FDeadlockTimeout = 30000;
    bool FIsOpen = false;
    bool FTestDSR = false;
    bool FTestCTS = false;
    bool FPendingCr = false;
    bool FPendingLf = false;
    int32_t FMaxLineLength = 0;
    int32_t FSendCap = 0;
    int32_t FRecvCap = 0;
    uint32_t FSendDue = 0;
    uint32_t FRecvDue = 0;
    bool FConvertLineEnd = false;
    bool FModemReplyOk = false;
    int32_t FAtTimeout = 1000;
    bool FInterPacketTimeout = true;
    int32_t FPortNumber = -1;
    uint16_t FPortAddress = 0;
    TLineState FLineState{};
};

// TSerialPort reads over the scripted driver, with the arrivals (times, bytes, line errors), the
// reads, terminators, limits, time-outs and settings the input chooses. After every read: every
// byte sent is returned, or is a terminator, or is still in LineBuffer or in the port, in order;
// and a read whose time-out covers the whole call ended within it (virtual time).
// The only bytes a read may drop are those its contract names: what a failed ReadTextOfLength had
// received (without RaiseExcept), a line ReadLine withholds because the read failed, and what
// DiscardAll throws away.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/fuzz_input.h"
#include "serial/scripted_comm_driver.h"
#include "serial/serial_port.h"

namespace {

const std::string kPath = "\\\\.\\ttyFUZZ";

bool IsBreak(const std::string& s) { return s == "\r" || s == "\n" || s == "\r\n" || s == "\n\r"; }

// Whether `segment` (the bytes a line read took) is `line` and its terminator. In CR-LF mode the
// terminator is any line break, and one CR or LF that paired with the previous call may come first.
bool IsLineAndTerminator(const std::string& segment, const std::string& line, bool crlfMode,
                         const std::string& terminator) {
    if (!crlfMode) return segment == line + terminator && line.find(terminator) == std::string::npos;
    std::string rest = segment;
    for (const std::size_t skip : {std::size_t{0}, std::size_t{1}}) {
        if (skip == 1 && (segment.empty() || (segment[0] != '\r' && segment[0] != '\n'))) break;
        rest = segment.substr(skip);
        if (rest.compare(0, line.size(), line) == 0 && line.find_first_of("\r\n") == std::string::npos &&
            IsBreak(rest.substr(line.size())))
            return true;
    }
    return false;
}

// The bytes a failed line read may have taken: none, or a CR or LF paired with the previous call.
bool IsNothingTaken(const std::string& segment, bool crlfMode) {
    return segment.empty() || (crlfMode && (segment == "\r" || segment == "\n"));
}

bool KnownCode(int32_t code) {
    return code == 0 || code == SerialErrLineTooLong || code == SerialErrTimeout ||
           (code >= SerialErrFraming && code <= SerialErrOutputFull);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    TFuzzInput in(data, size);
    auto drv = std::make_shared<TScriptedCommDriver>();
    TScriptedCommDriver::TDevice& dev = drv->AddDevice(kPath);
    TSerialPort port(drv);
    port.OpenPort(kPath);
    if (!port.IsOpen()) std::abort();

    // The arrivals, one after another in time.
    static constexpr uint32_t kLineErrors[] = {TCommDriver::CE_FRAME, TCommDriver::CE_OVERRUN, TCommDriver::CE_RXOVER,
                                               TCommDriver::CE_RXPARITY};
    std::string sent;
    uint64_t at = 0;
    for (int n = in.Byte() % 24; n > 0; --n) {
        at += in.Byte() * 10u;
        const uint8_t kind = in.Byte();
        const uint32_t errors = (kind & 1) ? kLineErrors[(kind >> 1) & 3] : 0;
        std::string bytes = in.Text(24);
        if ((kind & 8) && !bytes.empty()) {
            // A long stretch from a short input: the pattern repeated.
            const std::size_t length = in.Word() + 1u;
            std::string longer;
            while (longer.size() < length) longer += bytes;
            bytes = longer.substr(0, length);
        }
        if (bytes.empty()) continue;
        drv->Arrive(kPath, at, bytes, errors);
        sent += bytes;
    }

    std::size_t consumed = 0;
    for (int n = in.Byte() % 16; n > 0 && !in.Empty(); --n) {
        const uint8_t op = in.Byte() % 9;
        const auto timeout = static_cast<int32_t>(in.Below(3000));
        port.SetInterPacketTimeout(in.Flag());
        port.SetRaiseExcept(in.Flag());
        port.SetConvertLineEnd(in.Flag());
        port.SetMaxLineLength(in.Byte() % 4 == 0 ? static_cast<int32_t>(in.Below(300)) : 0);
        static const std::string kTerminators[] = {"\n", "\r\n", "\r", "OK", ""};
        const uint8_t t = in.Byte() % 6;
        const std::string terminator = t < 5 ? kTerminators[t] : in.Text(3);
        // Short counts, or long ones that cross the 64 KiB pieces of a fixed-length read.
        const auto count = static_cast<int32_t>(in.Flag() ? in.Below(80) : in.Word() * 3u);

        const uint64_t start = drv->Now();
        std::string got;  // what the read returned
        bool raised = false, dropsAllowed = false, lineRead = false, crlfMode = false;
        std::string lineTerminator = terminator;
        try {
            switch (op) {
                case 0:
                case 1:
                    lineRead = true;
                    crlfMode = port.ConvertLineEnd() && terminator == "\r\n";
                    got = port.ReadUntil(timeout, terminator);
                    break;
                case 2:
                    lineRead = true;
                    lineTerminator = "\r\n";
                    crlfMode = port.ConvertLineEnd();
                    got = port.ReadLine(timeout);
                    dropsAllowed = port.ErrorCode() != 0;
                    break;
                case 3: {
                    std::string buffer(static_cast<std::size_t>(count), '\0');
                    buffer.resize(static_cast<std::size_t>(port.ReadBytesTimed(buffer.data(), count, timeout)));
                    got = buffer;
                    break;
                }
                case 4:
                    got = port.ReadTextOfLength(count, timeout);
                    dropsAllowed = port.ErrorCode() != 0;
                    if (port.ErrorCode() == 0 && got.size() != static_cast<std::size_t>(count)) std::abort();
                    break;
                case 5:
                    got = port.ReadAvailable(timeout);
                    break;
                case 6: {
                    // A byte was taken exactly when the read succeeded (0 is also a byte value).
                    const uint8_t byte = port.ReadOneByte(timeout);
                    if (port.ErrorCode() == 0) got.assign(1, static_cast<char>(byte));
                    break;
                }
                case 7:
                    port.DiscardAll();
                    dropsAllowed = true;
                    break;
                default:
                    drv->Advance(static_cast<uint64_t>(timeout));
                    break;
            }
        } catch (const ESerialError& e) {
            raised = true;
            if (!port.RaiseExcept() || e.ErrorCode != port.ErrorCode()) std::abort();
        }
        if (!KnownCode(port.ErrorCode())) std::abort();
        // A read never waits longer than its time-out for one piece of data, nor in all when the
        // time-out covers the whole call.
        const bool wholeCall = !port.InterPacketTimeout() && op <= 4;
        if ((wholeCall || op == 5 || op == 6) && drv->Now() - start > static_cast<uint64_t>(timeout)) std::abort();

        // What is still to be read: the line buffer, then the port's queue, then what has not arrived.
        std::string remaining = port.LineBuffer() + dev.input;
        for (const auto& a : dev.arrivals) remaining += a.bytes;
        if (remaining.size() > sent.size() - consumed) std::abort();  // bytes appeared from nowhere
        const std::size_t now = sent.size() - remaining.size();
        if (sent.compare(now, std::string::npos, remaining) != 0) std::abort();  // out of order or changed
        const std::string segment = sent.substr(consumed, now - consumed);
        consumed = now;

        if (dropsAllowed) {
            if (op == 4 && !raised && segment.size() > static_cast<std::size_t>(count)) std::abort();
            continue;
        }
        if (raised) {
            if (!IsNothingTaken(segment, crlfMode)) std::abort();  // a raised read gives back what it took
        } else if (lineRead) {
            if (!IsLineAndTerminator(segment, got, crlfMode, lineTerminator) &&
                !(got.empty() && IsNothingTaken(segment, crlfMode)))
                std::abort();
        } else if (op == 6 && got.empty()) {
            if (!segment.empty()) std::abort();
        } else if (segment != got) {
            std::abort();
        }
    }
    port.SetOnStatus(nullptr);
    return 0;
}

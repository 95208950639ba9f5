#include "logger/logger_session.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <thread>

#include "base/errors.h"
#include "logger/command_exchange.h"
#include "logger/logger_host.h"
#include "logger/logger_time.h"
#include "serial/port_discovery.h"
#include "serial/serial_port.h"

namespace {

constexpr int ProbeTimeoutMs = 1000;
constexpr int LineTimeoutMs = 500;
constexpr int SetCommandPauseMs = 50;
constexpr int ErasePauseMs = 1000;
constexpr std::int32_t ChunkLimit = 25;

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The port name of a port-list entry: everything after its first ":" (the whole entry if none).
std::string PortNameOf(const std::string& entry) {
    const auto colon = entry.find(':');
    return colon == std::string::npos ? entry : entry.substr(colon + 1);
}

std::int32_t ToIndex32(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw EConvertError("'" + std::to_string(value) + "' is not a valid integer value");
    return static_cast<std::int32_t>(value);
}

}  // namespace

bool lorv::IsLoggerModel(const std::string& answer) {
    static const std::array<const char*, 7> models = {"KX-05",  "KX-15-1",  "KX-15-2", "KX-15-DD",
                                                      "KXW-06", "KXW-16-1", "KXW-16-2"};
    for (const char* model : models)
        if (answer == model) return true;
    return false;
}

TLoggerSession::TLoggerSession(TSerialPort& port, TLoggerHost& host)
    : CurrentTime([] { return Now(); }),
      MonotonicMs(SteadyMs),
      Pause([](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }),
      port_(port),
      host_(host) {
    clockReadAtMs_ = MonotonicMs();
}

TDateTime TLoggerSession::ToLoggerTime(const std::string& text) const { return Format.TextToDateTime(text); }

bool TLoggerSession::FindDevice(std::string& answer) {
    ListSerialPorts(PortList);
    KeepVcpPorts(PortList);
    answer.clear();
    for (auto it = PortList.rbegin(); it != PortList.rend(); ++it) {
        const std::string portName = PortNameOf(*it);
        host_.SetStatusText(portName);
        if (port_.IsOpen()) port_.ClosePort();
        port_.OpenPort("\\\\.\\" + portName);
        port_.SetLineParams(115200, 8, 'N', 0, false, false);
        // The probe goes straight to the port: neither it nor its answer belongs in the log.
        port_.WriteText("N?\r");
        answer = port_.ReadUntil(ProbeTimeoutMs, "\n");
        if (lorv::IsLoggerModel(answer)) return true;
        host_.RefreshMarkers();
    }
    // Leaving the last probed port open would keep a foreign device busy and let later commands
    // talk to it.
    if (port_.IsOpen()) port_.ClosePort();
    return false;
}

bool TLoggerSession::Connect() {
    port_.DiscardAll();
    std::string answer;
    Connected = FindDevice(answer);
    ModelAnswer = answer;
    if (Connected) {
        host_.ShowField(TLoggerHost::Field::Model, answer);
        host_.SetStatusText("Połączono z " + answer);
        host_.RefreshMarkers();
        ReadClockAndBattery();
    }
    return Connected;
}

void TLoggerSession::ReadClock() {
    const std::string answer = SendCommand(port_, host_, "T?");
    if (answer.empty()) return;
    LoggerClock = ToLoggerTime(answer);
    clockReadAtMs_ = MonotonicMs();
    host_.ShowField(TLoggerHost::Field::Clock, Format.DateTimeToText(LoggerClock));
}

void TLoggerSession::ReadVoltage() {
    const std::string answer = SendCommand(port_, host_, "U?");
    if (!answer.empty()) host_.ShowField(TLoggerHost::Field::Voltage, answer + " mV");
}

void TLoggerSession::ReadLoggerSettings() {
    port_.DiscardAll();
    ReadClock();

    std::string answer = SendCommand(port_, host_, "R?");
    if (!answer.empty()) {
        RecStart = ToLoggerTime(answer);
        const std::string text = Format.DateTimeToText(RecStart);
        host_.ShowField(TLoggerHost::Field::Start, text);
        host_.ShowField(TLoggerHost::Field::ReadStart, text);
        host_.StartClockTimer();
    }

    answer = SendCommand(port_, host_, "S?");
    if (!answer.empty()) {
        RecStop = ToLoggerTime(answer);
        host_.ShowField(TLoggerHost::Field::Stop, Format.DateTimeToText(RecStop));
        // The proposed range ends at the recording stop or now, whichever is earlier.
        const TDateTime now = CurrentTime();
        host_.ShowField(TLoggerHost::Field::ReadStop, now >= RecStop ? answer : Format.DateTimeToText(now));
    }

    answer = SendCommand(port_, host_, "I?");
    if (!answer.empty()) {
        RecInterval = ToLoggerTime(answer);
        host_.ShowField(TLoggerHost::Field::Interval, Format.TimeToText(RecInterval));
        RecIntervalSeconds = static_cast<std::int64_t>(IntervalSeconds(RecInterval));
    }

    SendCommand(port_, host_, "C?");  // shown only in the log
    ReadVoltage();
}

void TLoggerSession::ReadClockAndBattery() {
    port_.DiscardAll();
    ReadClock();
    ReadVoltage();
}

void TLoggerSession::WriteLoggerSettings(const std::string& startText, const std::string& stopText,
                                         const std::string& periodText) {
    // Every text is checked before the first byte goes out, so a bad entry never leaves the
    // logger half set.
    const TDateTime start = ToLoggerTime(startText);
    const TDateTime stop = ToLoggerTime(stopText);
    Format.TextToTime(periodText);

    port_.DiscardAll();
    PostCommand(port_, host_, "T!" + Format.DateTimeToText(CurrentTime()));
    Pause(SetCommandPauseMs);
    PostCommand(port_, host_, "R!" + startText);
    RecStart = start;
    Pause(SetCommandPauseMs);
    PostCommand(port_, host_, "S!" + stopText);
    RecStop = stop;
    Pause(SetCommandPauseMs);
    PostCommand(port_, host_, "I!" + periodText);
    // Worked out from the interval last read, not from the text just sent.
    RecIntervalSeconds = static_cast<std::int64_t>(IntervalSeconds(RecInterval));
    Pause(SetCommandPauseMs);
}

void TLoggerSession::EraseLogger() {
    PostCommand(port_, host_, "E!");
    Pause(ErasePauseMs);
}

TDateTime TLoggerSession::DisplayedLoggerClock() const {
    return lorv::LoggerClockAt(LoggerClock, MonotonicMs() - clockReadAtMs_);
}

void TLoggerSession::ComputeReadRange(const std::string& fromText, const std::string& toText) {
    const TDateTime from = ToLoggerTime(fromText);
    ReadFirstIndex = lorv::ReadingIndex(from, RecStart, RecIntervalSeconds);
    std::string endText = toText;
    const TDateTime now = CurrentTime();
    if (now < RecStop) {
        // While the recording runs the range always ends now.
        endText = Format.DateTimeToText(now);
        host_.ShowField(TLoggerHost::Field::ReadStop, endText);
    }
    const TDateTime to = ToLoggerTime(endText);
    ReadEndIndex = lorv::ReadingIndex(to, RecStart, RecIntervalSeconds);
}

std::int32_t TLoggerSession::ReceiveReadings(std::int32_t limit) {
    std::int32_t received = 0;
    for (;;) {
        host_.ProcessEvents();
        if (!host_.DownloadWanted()) return received;
        const std::string line = port_.ReadUntil(LineTimeoutMs, "\n");
        if (port_.ErrorCode() == SerialErrTimeout) return received;
        ++received;
        // The line that reaches the limit is stored too: the index moves past it, so dropping it
        // would lose a reading in every chunk.
        if (line != LastReadingLine) {
            host_.AppendDataLine(line);
            LastReadingLine = line;
            ++stored_;
        }
        if (received >= limit) return received;
    }
}

TLoggerSession::DownloadResult TLoggerSession::DownloadReadings() {
    DownloadResult result;
    result.First = ToIndex32(ReadFirstIndex);
    result.End = ToIndex32(ReadEndIndex);
    result.Next = result.First;
    const std::int64_t count = static_cast<std::int64_t>(result.End) - result.First;
    if (count == 0) {
        host_.SetStatusText("Brak nowych danych !");
        return result;
    }

    // Restores the previous state, so a download started from the event pump inside another one
    // does not clear the outer one's flag.
    struct Running {
        bool& flag;
        bool before;
        explicit Running(bool& f) : flag(f), before(f) { flag = true; }
        ~Running() { flag = before; }
    } running(downloading_);

    result.Started = true;
    const std::int64_t storedBefore = stored_;
    std::int64_t next = result.First;
    do {
        PostCommand(port_, host_, "D?" + std::to_string(next));
        next += ReceiveReadings(ChunkLimit);
        ReadFirstIndex = next;
        // 64-bit arithmetic: (next - first) * 100 would overflow 32 bits on long ranges.
        if (next - result.First <= count)
            host_.SetStatusText(std::to_string((next - result.First) * 100 / count) + "%");
        host_.ProcessEvents();
    } while (host_.DownloadWanted() && next < result.End);

    result.Next = static_cast<std::int32_t>(std::min<std::int64_t>(next, std::numeric_limits<std::int32_t>::max()));
    result.Stored = stored_ - storedBefore;
    const std::string lastTime = LastReadingLine.substr(0, 19);
    host_.ShowField(TLoggerHost::Field::ReadStart, lastTime);
    host_.ShowField(TLoggerHost::Field::ReadStop, lastTime);
    return result;
}

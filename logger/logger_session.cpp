#include "logger/logger_session.h"

#include <array>
#include <chrono>
#include <limits>
#include <thread>

#include "base/errors.h"
#include "logger/command_exchange.h"
#include "logger/logger_host.h"
#include "logger/logger_time.h"
#include "logger/reading_download.h"
#include "serial/port_discovery.h"
#include "serial/serial_port.h"

namespace {

constexpr int ProbeTimeoutMs = 1000;
constexpr int SetCommandPauseMs = 50;
constexpr int ErasePauseMs = 1000;

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The port name of a port-list entry: everything after its first ":" (the whole entry if none).
std::string PortNameOf(const std::string& entry) {
    const auto colon = entry.find(':');
    return colon == std::string::npos ? entry : entry.substr(colon + 1);
}

void CheckIndex32(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw EConvertError("'" + std::to_string(value) + "' is not a valid integer value");
}

std::optional<std::int64_t> WholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 15) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Restores the previous state, so a download started from the event pump inside another one
// does not clear the outer one's flag.
class TRunningFlag {
  public:
    explicit TRunningFlag(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~TRunningFlag() { flag_ = before_; }
    TRunningFlag(const TRunningFlag&) = delete;
    TRunningFlag& operator=(const TRunningFlag&) = delete;

  private:
    bool& flag_;
    bool before_;
};

}  // namespace

bool lorv::IsLoggerModel(const std::string& answer) {
    static const std::array<const char*, 7> models = {"KX-05",  "KX-15-1",  "KX-15-2", "KX-15-DD",
                                                      "KXW-06", "KXW-16-1", "KXW-16-2"};
    for (const char* model : models)
        if (answer == model) return true;
    return false;
}

std::string lorv::ModelInAnswer(const std::string& answer) {
    if (IsLoggerModel(answer)) return answer;
    std::size_t begin = 0;
    // Bytes an adapter puts on the line before the answer: control characters and 0xFF.
    while (begin < answer.size()) {
        const auto c = static_cast<unsigned char>(answer[begin]);
        if (c >= 0x20 && c != 0x7F && c != 0xFF) break;
        ++begin;
    }
    std::size_t end = answer.size();
    if (end > begin && answer[end - 1] == '\r') --end;
    const std::string text = answer.substr(begin, end - begin);
    return IsLoggerModel(text) ? text : std::string();
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

TProbeResult TLoggerSession::ProbePort(const std::string& portName, const std::string& devicePath) {
    TProbeResult probe;
    probe.PortName = portName;
    probe.DevicePath = devicePath;
    if (port_.IsOpen()) port_.ClosePort();
    port_.OpenPort(devicePath);
    probe.Opened = port_.IsOpen();
    if (!probe.Opened) {
        probe.OpenError = port_.ErrorCode();
        return probe;
    }
    port_.SetLineParams(115200, 8, 'N', 0, false, false);
    // The probe goes straight to the port: neither it nor its answer belongs in the log.
    port_.WriteText("N?\r");
    probe.Answer = port_.ReadUntil(ProbeTimeoutMs, "\n");
    if (std::string model = lorv::ModelInAnswer(probe.Answer); !model.empty()) {
        probe.IsLogger = true;
        probe.Answer = std::move(model);
    }
    return probe;
}

TSearchResult TLoggerSession::FindDevice() {
    ListSerialPorts(PortList);
    KeepVcpPorts(PortList);
    TSearchResult result;
    for (auto it = PortList.rbegin(); it != PortList.rend(); ++it) {
        const std::string portName = PortNameOf(*it);
        host_.ProbeStarting(portName);
        result.Probes.push_back(ProbePort(portName, "\\\\.\\" + portName));
        if (result.Probes.back().IsLogger) return result;
        host_.ProbeFailed(result.Probes.back());
    }
    // Leaving the last probed port open would keep a foreign device busy and let later commands
    // talk to it.
    if (port_.IsOpen()) port_.ClosePort();
    return result;
}

TSearchResult TLoggerSession::Connect() {
    port_.DiscardAll();
    TSearchResult result = FindDevice();
    Connected = result.Found();
    ModelAnswer = result.Answer();
    return result;
}

TSearchResult TLoggerSession::ConnectPort(const std::string& portName, const std::string& devicePath) {
    port_.DiscardAll();
    TSearchResult result;
    result.Probes.push_back(ProbePort(portName, devicePath));
    Connected = result.Found();
    ModelAnswer = result.Answer();
    if (!Connected && port_.IsOpen()) port_.ClosePort();
    return result;
}

void TLoggerSession::ReadClock(TLoggerStatus& status) {
    // Both clocks are taken when the answer came, before the log line (a window may take its
    // time to show it): the difference of the clocks is only as good as this moment.
    std::int64_t answeredMs = 0;
    TDateTime answeredAt = 0;
    const std::string answer = SendCommand(port_, host_, "T?", [&] {
        answeredMs = MonotonicMs();
        answeredAt = CurrentTime();
    });
    if (answer.empty()) return;
    LoggerClock = ToLoggerTime(answer);
    clockReadAtMs_ = answeredMs;
    clockKnown_ = true;
    status.Clock = LoggerClock;
    status.ClockReadAt = answeredAt;
}

void TLoggerSession::ReadVoltage(TLoggerStatus& status) {
    const std::string answer = SendCommand(port_, host_, "U?");
    if (answer.empty()) return;
    status.Battery = answer;
    status.BatteryMv = WholeNumber(answer);
}

TLoggerStatus TLoggerSession::ReadLoggerSettings() {
    TLoggerStatus status;
    port_.DiscardAll();
    try {
        ReadClock(status);

        std::string answer = SendCommand(port_, host_, "R?");
        if (!answer.empty()) {
            RecStart = ToLoggerTime(answer);
            status.RecStart = RecStart;
        }

        answer = SendCommand(port_, host_, "S?");
        if (!answer.empty()) {
            RecStop = ToLoggerTime(answer);
            status.RecStop = RecStop;
            status.StopAnswer = answer;
        }

        answer = SendCommand(port_, host_, "I?");
        if (!answer.empty()) {
            RecInterval = ToLoggerTime(answer);
            RecIntervalSeconds = static_cast<std::int64_t>(IntervalSeconds(RecInterval));
            status.Interval = RecInterval;
            status.IntervalSeconds = RecIntervalSeconds;
        }

        answer = SendCommand(port_, host_, "C?");
        if (!answer.empty()) status.CAnswer = answer;
        ReadVoltage(status);
    } catch (const EConvertError& e) {
        status.Failure = e;
    }
    return status;
}

TLoggerStatus TLoggerSession::ReadClockAndBattery() {
    TLoggerStatus status;
    port_.DiscardAll();
    try {
        ReadClock(status);
        ReadVoltage(status);
    } catch (const EConvertError& e) {
        status.Failure = e;
    }
    return status;
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

TDateTime TLoggerSession::LoggerClockNow() const { return clockKnown_ ? DisplayedLoggerClock() : CurrentTime(); }

TDownloadRange TLoggerSession::ComputeReadRange(const std::string& fromText, std::string& toText) const {
    TDownloadRange range;
    range.First = lorv::ReadingIndex(ToLoggerTime(fromText), RecStart, RecIntervalSeconds);
    const TDateTime now = CurrentTime();
    // While the recording runs the range always ends now.
    if (now < RecStop) toText = Format.DateTimeToText(now);
    range.End = lorv::ReadingIndex(ToLoggerTime(toText), RecStart, RecIntervalSeconds);
    return range;
}

TDownloadReport TLoggerSession::DownloadReadings(const TDownloadRange& range) {
    CheckIndex32(range.First);
    CheckIndex32(range.End);
    if (RecStart > LoggerClockNow()) {
        TDownloadReport report;
        report.First = report.Next = range.First;
        report.End = range.End;
        report.Ending = TDownloadEnd::NotStarted;
        return report;
    }
    const TRunningFlag running(downloading_);
    const TDownloadContext context{
        port_,          host_, Format, RecStart, RecStop, RecIntervalSeconds, [this] { return LoggerClockNow(); },
        LastReadingLine};
    return TReadingDownload(context, range).Run();
}

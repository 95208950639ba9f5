#include "cli/cli_run.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <ostream>

#include "base/atomic_file.h"
#include "base/cp1250.h"
#include "base/errors.h"
#include "base/logger_format.h"
#include "base/version.h"
#include "cli/cli_host.h"
#include "cli/cli_options.h"
#include "cli/file_commands.h"
#include "cli/progress_meter.h"
#include "cli/status_report.h"
#include "data/data_file.h"
#include "data/line_store.h"
#include "logger/command_exchange.h"
#include "logger/logger_session.h"
#include "logger/logger_time.h"
#include "serial/port_discovery.h"
#include "serial/serial_port.h"

namespace cli {
namespace {

using Field = TLoggerHost::Field;

constexpr int ProbeTimeoutMs = 1000;
const std::string kDevicePrefix = "\\\\.\\";

// An error that ends the run with its own exit status and one message line.
struct TRunError {
    int Status;
    std::string Message;
};

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The name to open for --port: a path as given, else a port name of the list (the data of an
// entry, or a whole "name:data" entry) under the device prefix.
std::string DeviceForPort(const std::string& name) {
    if (name.rfind('/', 0) == 0 || name.rfind(kDevicePrefix, 0) == 0) return name;
    if (name.rfind('\\', 0) == 0) {
        if (const auto colon = name.find(':'); colon != std::string::npos)
            return kDevicePrefix + name.substr(colon + 1);
    }
    return kDevicePrefix + name;
}

std::string PortNameOf(const TSerialPort& port) {
    const std::string& device = port.Device();
    return device.rfind(kDevicePrefix, 0) == 0 ? device.substr(kDevicePrefix.size()) : device;
}

std::string PortErrorText(const TSerialPort& port, std::int32_t code) {
    return "port " + PortNameOf(port) + ": " + TSerialPort::GetErrorDesc(code);
}

// "yyyy-mm-dd hh:nn:ss" always, midnight included: the logger is sent full times only.
std::string FullTimeText(const LoggerFormat& format, TDateTime value) {
    return format.DateToText(value) + " " + format.TimeToText(value);
}

class TRun {
  public:
    TRun(const TCliOptions& options, std::ostream& out, std::ostream& err, const TCliEnvironment& env)
        : o_(options), out_(out), err_(err), env_(env), host_(port_, env.StopSignal), session_(port_, host_) {}

    int Execute() {
        int status = ExitOk;
        try {
            status = Dispatch();
        } catch (const TRunError& e) {
            status = Fail(e.Status, e.Message);
        } catch (const EFileError& e) {
            status = Fail(ExitFileOrPort, e.what());
        } catch (const ERegistryError& e) {
            status = Fail(ExitFileOrPort, e.what());
        } catch (const EConvertError& e) {
            // Texts of the command line were checked before; this one came from the logger.
            status = Fail(ExitNoAnswer, std::string("answer of the logger: ") + e.what());
        } catch (const lorv::ERangeError& e) {
            status = Fail(ExitNoAnswer, e.what());
        } catch (const std::exception& e) {
            // Anything else (out of memory, a path the file system refuses) still ends in one
            // line, and the communication log below is still written.
            status = Fail(ExitFileOrPort, e.what());
        }
        // Results that did not reach standard output (a full disk, a closed pipe) are no success.
        errno = 0;
        out_.flush();
        if (!out_ && status == ExitOk)
            status = Fail(ExitFileOrPort, "Cannot write standard output" +
                                              (errno != 0 ? ": " + TSerialPort::GetErrorDesc(errno) : std::string()));
        if (session_.Connected && port_.IsOpen()) PostCommand(port_, host_, "d!");
        if (!o_.CommLog.empty()) {
            try {
                TLineStore lines;
                lines.Assign(host_.CommLog);
                WriteFileAtomically(o_.CommLog, readings::JoinTextLines(lines));
            } catch (const EFileError& e) {
                const int failed = Fail(ExitFileOrPort, e.what());
                if (status == ExitOk) status = failed;
            }
        }
        return status;
    }

  private:
    const TCliOptions& o_;
    std::ostream& out_;
    std::ostream& err_;
    const TCliEnvironment& env_;
    TSerialPort port_;
    TCliHost host_;
    TLoggerSession session_;
    LoggerFormat format_;

    int Fail(int status, const std::string& message) {
        err_ << "lorv304d-cli: " << message << "\n";
        return status;
    }
    void Note(const std::string& message) {
        if (!o_.Quiet) err_ << message << "\n";
    }
    // A stop signal that came outside a download ends the run at the next step.
    void CheckStop() {
        if (const int sig = host_.StopSignal()) throw TRunError{128 + sig, "stopped by signal " + std::to_string(sig)};
    }

    int Dispatch() {
        switch (o_.Cmd) {
            case Command::Ports:
                return Ports();
            case Command::Find:
                return Find();
            case Command::Status:
                return Status();
            case Command::Download:
                return Download();
            case Command::Start:
                return Start();
            case Command::Erase:
                return Erase();
            case Command::Convert:
                return RunConvert(o_, out_, err_);
            case Command::Stats:
                return RunStats(o_, out_);
            case Command::None:
                break;
        }
        return ExitUsage;
    }

    void Connect() {
        if (o_.Port.empty()) {
            session_.Connect();
        } else {
            // The given port is opened and asked for its model like one probe of the search.
            port_.OpenPort(DeviceForPort(o_.Port));
            if (!port_.IsOpen()) throw TRunError{ExitFileOrPort, PortErrorText(port_, port_.ErrorCode())};
            port_.SetLineParams(115200, 8, 'N', 0, false, false);
            port_.WriteText("N?\r");
            const std::string answer = port_.ReadUntil(ProbeTimeoutMs, "\n");
            session_.ModelAnswer = answer;
            session_.Connected = lorv::IsLoggerModel(answer);
            if (session_.Connected) {
                host_.ShowField(Field::Model, answer);
                session_.ReadClockAndBattery();
            }
        }
        CheckStop();
        if (!session_.Connected) throw TRunError{ExitNoAnswer, "No device found"};
    }

    // Runs the full settings read with the fields cleared first, so that a missing answer shows.
    void ReadSettings() {
        host_.Fields.clear();
        session_.ReadLoggerSettings();
        CheckStop();
    }

    std::string Missing(std::initializer_list<std::pair<Field, const char*>> wanted) {
        std::string missing;
        for (const auto& [field, command] : wanted)
            if (!host_.Fields.count(field)) missing += (missing.empty() ? "" : ", ") + std::string(command);
        return missing;
    }

    int Ports() {
        std::vector<std::string> list;
        ListSerialPorts(list);
        if (!o_.All) KeepVcpPorts(list);
        // The search probes from the last entry to the first.
        for (auto it = list.rbegin(); it != list.rend(); ++it) out_ << Cp1250ToUtf8(*it) << "\n";
        return ExitOk;
    }

    int Find() {
        Connect();
        out_ << PortNameOf(port_) << "\t" << Cp1250ToUtf8(session_.ModelAnswer) << "\n";
        return ExitOk;
    }

    int Status() {
        Connect();
        ReadSettings();
        TStatusReport r;
        r.Port = PortNameOf(port_);
        r.Model = Cp1250ToUtf8(session_.ModelAnswer);
        const auto field = [&](Field f) {
            const auto it = host_.Fields.find(f);
            return it == host_.Fields.end() ? std::string() : Cp1250ToUtf8(it->second);
        };
        r.Battery = field(Field::Voltage);
        if (r.Battery.size() >= 3 && r.Battery.compare(r.Battery.size() - 3, 3, " mV") == 0)
            r.Battery.resize(r.Battery.size() - 3);
        r.Clock = field(Field::Clock);
        if (!r.Clock.empty()) {
            const double days = session_.DisplayedLoggerClock() - session_.CurrentTime();
            r.ClockOffsetSeconds = std::llround(days * 86400.0);
        }
        r.Start = field(Field::Start);
        r.Stop = field(Field::Stop);
        r.Interval = field(Field::Interval);
        if (!r.Interval.empty()) r.IntervalSeconds = session_.RecIntervalSeconds;
        out_ << (o_.Json ? FormatStatusJson(r) : FormatStatusText(r));
        out_.flush();
        const std::string missing = Missing({{Field::Clock, "T?"},
                                             {Field::Start, "R?"},
                                             {Field::Stop, "S?"},
                                             {Field::Interval, "I?"},
                                             {Field::Voltage, "U?"}});
        if (!missing.empty()) return Fail(ExitNoAnswer, "no answer from the logger to " + missing);
        return ExitOk;
    }

    // The output file must be writable before the logger is asked for anything, so a download
    // is never received only to be lost.
    void CheckOutputDirectory() {
        std::error_code ec;
        if (std::filesystem::is_directory(o_.Output, ec))
            throw TRunError{ExitFileOrPort, "Cannot write " + o_.Output + ": " + TSerialPort::GetErrorDesc(EISDIR)};
        const std::filesystem::path dir = std::filesystem::absolute(o_.Output).parent_path();
        if (::access(dir.c_str(), W_OK) != 0)
            throw TRunError{ExitFileOrPort, "Cannot write " + o_.Output + ": " + TSerialPort::GetErrorDesc(errno)};
    }

    // The time text a range edge gets: `at`, or the recording start when `at` lies before it
    // (times before the start would count as far from it as after it).
    std::string NotBeforeStart(TDateTime at) const {
        return at < session_.RecStart ? FullTimeText(format_, session_.RecStart) : FullTimeText(format_, at);
    }

    int Download() {
        TLineStore store;
        std::optional<TDateTime> fileLast;
        if (!o_.Output.empty()) {
            CheckOutputDirectory();
            std::error_code ec;
            if (o_.Append && std::filesystem::exists(o_.Output, ec)) {
                store = readings::LoadDataFile(o_.Output);
                // The last line that holds a reading time is where the new readings begin; it
                // comes again as the first line and is dropped as the repeat.
                for (std::size_t i = store.Count(); i-- > 0;) {
                    try {
                        fileLast = format_.TextToDateTime(store[i].substr(0, 19));
                    } catch (const EConvertError&) {
                        continue;
                    }
                    session_.LastReadingLine = store[i];
                    break;
                }
            }
        }
        Connect();
        ReadSettings();
        const std::string missing = Missing({{Field::Start, "R?"}, {Field::Stop, "S?"}, {Field::Interval, "I?"}});
        if (!missing.empty()) throw TRunError{ExitNoAnswer, "no answer from the logger to " + missing};

        std::string fromText = host_.Fields[Field::ReadStart];
        if (fileLast)
            fromText = NotBeforeStart(*fileLast);
        else if (o_.From)
            fromText = NotBeforeStart(format_.TextToDateTime(*o_.From));
        session_.ComputeReadRange(fromText, host_.Fields[Field::ReadStop]);
        if (o_.To) {
            const TDateTime to = format_.TextToDateTime(*o_.To);
            const std::int64_t end =
                to <= session_.RecStart ? 0 : lorv::ReadingIndex(to, session_.RecStart, session_.RecIntervalSeconds);
            session_.ReadEndIndex = std::min(session_.ReadEndIndex, end);
            host_.LatestTime = to;
        }
        // A range that ends before it begins holds nothing.
        session_.ReadEndIndex = std::max(session_.ReadEndIndex, session_.ReadFirstIndex);

        const std::int64_t first = session_.ReadFirstIndex, end = session_.ReadEndIndex;
        const std::int64_t expected = end - first + (fileLast ? 0 : 1);
        TProgressMeter meter(expected, env_.ErrIsTerminal);
        const std::int64_t startMs = SteadyMs();
        host_.Store = &store;
        if (!o_.Quiet)
            host_.OnProgress = [&](std::int64_t stored) {
                err_ << meter.Update(stored, SteadyMs() - startMs) << std::flush;
            };

        const TLoggerSession::DownloadResult result = session_.DownloadReadings();
        host_.OnProgress = nullptr;
        if (!o_.Quiet && result.Started) err_ << meter.Finish(host_.Stored(), SteadyMs() - startMs) << std::flush;

        // What came is written whatever ended the download. A file is replaced by an empty
        // download only when the logger really had nothing in the range, and an appended file is
        // rewritten only when it gains lines.
        const std::int64_t stored = host_.Stored();
        const bool cleanEnd =
            host_.PortError() == 0 && host_.StopSignal() == 0 && !(host_.StalledAt() && end - *host_.StalledAt() > 1);
        if (o_.Output.empty()) {
            out_ << readings::JoinTextLines(store);
            out_.flush();
        } else if (stored > 0 || (cleanEnd && !o_.Append)) {
            readings::SaveLinesFile(o_.Output, store);
        }
        if (stored == 0) {
            if (cleanEnd) Note("No new readings");
        } else if (!o_.Output.empty()) {
            Note(std::to_string(stored) + (o_.Append ? " new readings appended to " : " readings written to ") +
                 o_.Output);
        }

        if (host_.PortError() != 0) throw TRunError{ExitFileOrPort, PortErrorText(port_, host_.PortError())};
        CheckStop();
        if (const auto at = host_.StalledAt(); at && end - *at > 1)
            throw TRunError{ExitNoAnswer, "the logger stopped answering at reading " + std::to_string(*at) + " of " +
                                              std::to_string(end)};
        return ExitOk;
    }

    int Start() {
        const TDateTime start = format_.TextToDateTime(o_.Start);
        const TDateTime stop = format_.TextToDateTime(o_.Stop);
        const std::string startText = FullTimeText(format_, start);
        const std::string stopText = FullTimeText(format_, stop);
        const std::string intervalText =
            lorv::MinimumIntervalText(format_, format_.TimeToText(format_.TextToTime(o_.Interval)));
        Connect();
        session_.WriteLoggerSettings(startText, stopText, intervalText);
        CheckStop();
        // The set commands get no answer; reading the settings back is the only proof they took.
        ReadSettings();
        const auto same = [&](Field f, const std::string& want) {
            const auto it = host_.Fields.find(f);
            return it != host_.Fields.end() && it->second == want;
        };
        if (!same(Field::Start, format_.DateTimeToText(start)) || !same(Field::Stop, format_.DateTimeToText(stop)) ||
            !same(Field::Interval, intervalText))
            throw TRunError{ExitNoAnswer, "the logger did not confirm the new settings"};
        if (!o_.Quiet)
            out_ << "Recording set: start " << startText << ", stop " << stopText << ", interval " << intervalText
                 << "\n";
        return ExitOk;
    }

    int Erase() {
        Connect();
        session_.EraseLogger();
        CheckStop();
        if (!o_.Quiet) out_ << "Logger erased\n";
        return ExitOk;
    }
};

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const TCliEnvironment& env) {
    TCliOptions options;
    try {
        options = ParseCommandLine(args);
    } catch (const EUsageError& e) {
        err << "lorv304d-cli: " << e.what() << "\n\n" << UsageText(e.Cmd);
        return ExitUsage;
    }
    if (options.Help) {
        out << UsageText(options.Cmd);
        return ExitOk;
    }
    if (options.Version) {
        out << VersionLine("lorv304d-cli");
        return ExitOk;
    }
    return TRun(options, out, err, env).Execute();
}

}  // namespace cli

#include "cli/cli_run.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <ostream>

#include "archive/archive_location.h"
#include "archive/download_archiver.h"
#include "archive/log_import.h"
#include "archive/sqlite_archive.h"
#include "base/atomic_file.h"
#include "base/cp1250.h"
#include "base/errors.h"
#include "base/logger_format.h"
#include "base/version.h"
#include "cli/archive_report.h"
#include "cli/cli_host.h"
#include "cli/cli_options.h"
#include "cli/download_output.h"
#include "cli/file_commands.h"
#include "cli/logger_watch.h"
#include "cli/progress_meter.h"
#include "cli/status_report.h"
#include "data/data_file.h"
#include "data/line_store.h"
#include "data/reading_line.h"
#include "logger/command_exchange.h"
#include "logger/logger_session.h"
#include "logger/logger_time.h"
#include "serial/port_diagnosis_text.h"
#include "serial/ttyless_adapter_text.h"
#include "serial/port_discovery.h"
#include "serial/serial_port.h"

namespace cli {
namespace {

const std::string kDevicePrefix = "\\\\.\\";

// An error that ends the run with its own exit status, one message line and any further lines
// that explain it.
struct TRunError {
    int Status;
    std::string Message;
    std::vector<std::string> Details = {};
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

// The port name shown for a device path: the path without the device prefix.
std::string PortNameOf(const std::string& device) {
    return device.rfind(kDevicePrefix, 0) == 0 ? device.substr(kDevicePrefix.size()) : device;
}

// "yyyy-mm-dd hh:nn:ss" always, midnight included: the logger is sent full times only, and the
// output keeps one width.
std::string FullTimeText(const LoggerFormat& format, TDateTime value) {
    return format.DateToText(value) + " " + format.TimeToText(value);
}

// "readings 12 to 40" or "reading 12".
std::string ReadingsText(std::int64_t from, std::int64_t to) {
    return from == to ? "reading " + std::to_string(from)
                      : "readings " + std::to_string(from) + " to " + std::to_string(to);
}

class TRun {
  public:
    TRun(const TCliOptions& options, std::ostream& out, std::ostream& err, const TCliEnvironment& env)
        : o_(options), out_(out), err_(err), env_(env), host_(env.StopSignal), session_(port_, host_) {}

    int Execute() {
        int status = ExitOk;
        try {
            status = Dispatch();
        } catch (const TRunError& e) {
            status = Fail(e.Status, e.Message);
            for (const std::string& line : e.Details) Fail(e.Status, line);
        } catch (const EFileError& e) {
            status = Fail(ExitFileOrPort, e.what());
        } catch (const ERegistryError& e) {
            status = Fail(ExitFileOrPort, e.what());
        } catch (const EConvertError& e) {
            // Texts of the command line were checked before; this one came from the logger.
            status = Fail(ExitNoAnswer, std::string("answer of the logger: ") + e.what());
        } catch (const archive::EArchiveError& e) {
            status = Fail(ExitFileOrPort, "archive " + ArchiveErrorText(e));
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
    std::string portName_;  // the port the logger answered on
    std::unique_ptr<archive::TArchive> archive_;
    std::optional<archive::EArchiveError> archiveFailure_;  // why archive_ could not be opened

    static std::string Program() { return std::string("lorv304d-cli ") + ProjectVersion; }
    std::string ArchivePath() const {
        return o_.Archive.empty() ? archive::DefaultArchivePath(archive::TArchiveEnvironment::FromProcess())
                                  : o_.Archive;
    }
    // The archive, or null with archiveFailure_ saying why: a download or an action on the logger
    // never fails for it.
    archive::TArchive* TryArchive() {
        if (archive_ || archiveFailure_) return archive_.get();
        const std::string path = ArchivePath();
        try {
            if (path.empty())
                throw archive::EArchiveError(archive::TArchiveErrorKind::Other, "", "no home folder for the archive");
            archive_ = archive::OpenSqliteArchive(path);
        } catch (const archive::EArchiveError& e) {
            archiveFailure_ = e;
        }
        return archive_.get();
    }
    // The archive for the archive commands: one that cannot be opened ends the run (exit 3).
    archive::TArchive& Archive() {
        if (!TryArchive()) throw *archiveFailure_;
        return *archive_;
    }
    archive::TRecordingSummary RecordingOrFail(std::int64_t id) {
        const auto recording = Archive().Recording(id);
        if (!recording) throw TRunError{ExitUsage, "no recording " + std::to_string(id) + " in " + ArchivePath()};
        return *recording;
    }
    // The lines of convert and stats: FILE, or the recording of --recording.
    TLineStore SourceLines() {
        if (!o_.Recording) return readings::LoadDataFile(o_.File);
        RecordingOrFail(*o_.Recording);
        return Archive().ReadingLines(*o_.Recording);
    }
    // Records an event of an action on the logger; a failure is one line and exit status 5.
    int RecordEvent(const archive::TEventDetails& details, std::optional<std::int64_t> recordingId = std::nullopt) {
        try {
            if (archive::TArchive* a = TryArchive()) {
                a->AddEvent(archive::TActor::Current(Program()), recordingId, details);
                return ExitOk;
            }
        } catch (const archive::EArchiveError& e) {
            archiveFailure_ = e;
        }
        return Fail(ExitNotArchived, "not recorded in the archive: " + ArchiveErrorText(*archiveFailure_));
    }
    archive::TRecordingKey KeyOfSession() const {
        return archive::TRecordingKey{session_.ModelAnswer, session_.RecStart, session_.RecIntervalSeconds};
    }

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
                return RunConvert(o_, SourceLines(), out_, err_);
            case Command::Stats: {
                const TLineStore lines = SourceLines();
                return RunStats(o_, lines, o_.Recording ? "recording " + std::to_string(*o_.Recording) : o_.File,
                                env_.SettingsFile, out_, err_);
            }
            case Command::ArchiveList:
                return ArchiveList();
            case Command::ArchiveShow:
                return ArchiveShow();
            case Command::ArchiveExport:
                return ArchiveExport();
            case Command::ArchiveImport:
                return ArchiveImport();
            case Command::ArchiveVerify:
                return ArchiveVerify();
            case Command::Report:
                if (!env_.Report) throw TRunError{ExitUsage, "this build of the program makes no reports"};
                return env_.Report(o_, env_.SettingsFile, err_);
            case Command::Watch:
                return RunWatch(o_, out_, err_, env_);
            case Command::Archive:
            case Command::None:
                break;
        }
        return ExitUsage;
    }

    // Finds the logger (or asks the port given) and reads its clock and battery, as the window's
    // connect button does. Without a logger, ports that would not open are a port error, each
    // named with its reason and fix, and so is each USB serial adapter that got no port.
    void Connect() {
        TSearchResult search;
        if (o_.Port.empty()) {
            search = session_.Connect();
        } else {
            const std::string device = DeviceForPort(o_.Port);
            search = session_.ConnectPort(PortNameOf(device), device);
        }
        std::vector<std::string> unopened;
        for (const TPortDiagnosis& port : DiagnoseUnopenedPorts(search)) unopened.push_back(PortDiagnosisText(port));
        CheckStop();
        if (!o_.Port.empty() && !unopened.empty()) throw TRunError{ExitFileOrPort, unopened.front()};
        if (!search.Found()) {
            const bool portTrouble = !unopened.empty();
            if (o_.Port.empty())
                for (const TTtylessAdapter& adapter : FindTtylessAdapters()) unopened.push_back(TtylessAdapterText(adapter));
            throw TRunError{portTrouble ? ExitFileOrPort : ExitNoAnswer, "No device found", unopened};
        }
        portName_ = search.Probes.back().PortName;
        const TLoggerStatus status = session_.ReadClockAndBattery();
        if (status.Failure) throw *status.Failure;
        CheckStop();
    }

    TLoggerStatus ReadSettings() {
        TLoggerStatus status = session_.ReadLoggerSettings();
        if (status.Failure) throw *status.Failure;
        CheckStop();
        return status;
    }

    static std::string Missing(std::initializer_list<std::pair<bool, const char*>> answers) {
        std::string missing;
        for (const auto& [present, command] : answers)
            if (!present) missing += (missing.empty() ? "" : ", ") + std::string(command);
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
        out_ << portName_ << "\t" << Cp1250ToUtf8(session_.ModelAnswer) << "\n";
        return ExitOk;
    }

    int Status() {
        Connect();
        const TLoggerStatus s = ReadSettings();
        TStatusReport r;
        r.Port = portName_;
        r.Model = Cp1250ToUtf8(session_.ModelAnswer);
        r.Battery = Cp1250ToUtf8(s.Battery.value_or(std::string()));
        r.BatteryMv = s.BatteryMv;
        const auto time = [&](const std::optional<TDateTime>& t) { return t ? FullTimeText(format_, *t) : ""; };
        r.Clock = time(s.Clock);
        r.ClockOffsetSeconds = s.ClockOffsetSeconds();
        r.Start = time(s.RecStart);
        r.Stop = time(s.RecStop);
        r.Interval = s.Interval ? format_.TimeToText(*s.Interval) : "";
        r.IntervalSeconds = s.IntervalSeconds;
        out_ << (o_.Json ? FormatStatusJson(r) : FormatStatusText(r));
        out_.flush();
        const std::string missing = Missing({{s.Clock.has_value(), "T?"},
                                             {s.RecStart.has_value(), "R?"},
                                             {s.RecStop.has_value(), "S?"},
                                             {s.Interval.has_value(), "I?"},
                                             {s.Battery.has_value(), "U?"}});
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

    // The last line of `store` that holds a reading time, with that time.
    std::optional<std::pair<std::string, TDateTime>> LastReading(const TLineStore& store) const {
        for (std::size_t i = store.Count(); i-- > 0;) {
            const std::string line(store[i]);
            TDateTime at = 0;
            if (readings::ParseReadingTime(readings::SplitReadingLine(line).Time, format_, at))
                return std::make_pair(line, at);
        }
        return std::nullopt;
    }

    int Download() {
        TDownloadOutput output(o_, out_);
        std::optional<std::pair<std::string, TDateTime>> fileLast;
        if (!o_.Output.empty()) {
            CheckOutputDirectory();
            std::error_code ec;
            if (o_.Append && std::filesystem::exists(o_.Output, ec)) {
                output.Lines() = readings::LoadDataFile(o_.Output);
                fileLast = LastReading(output.Lines());
            }
        }
        Connect();
        const TLoggerStatus status = ReadSettings();
        const std::string missing = Missing({{status.RecStart.has_value(), "R?"},
                                             {status.RecStop.has_value(), "S?"},
                                             {status.Interval.has_value() && session_.RecIntervalSeconds > 0, "I?"}});
        if (!missing.empty()) throw TRunError{ExitNoAnswer, "no answer from the logger to " + missing};

        // Nothing is asked for a recording that has not begun: the logger holds no reading yet.
        const TDateTime start = session_.RecStart;
        if (start > session_.LoggerClockNow()) {
            Note("The recording starts at " + FullTimeText(format_, start) + "; no reading exists yet");
            return ExitOk;
        }
        output.Begin();
        // Both ends are included; the range ends at the last reading the logger holds.
        const std::int64_t interval = session_.RecIntervalSeconds;
        TDateTime until = std::min(session_.LoggerClockNow(), session_.RecStop);
        if (o_.To) until = std::min(until, format_.TextToDateTime(*o_.To));
        const std::int64_t last = lorv::LastReadingAtOrBefore(until, start, interval);
        std::int64_t first = 0;
        if (fileLast && fileLast->second >= start) {
            // The file's last reading comes again as the first line and is dropped as the repeat.
            first = lorv::ReadingIndex(fileLast->second, start, interval);
            session_.LastReadingLine = fileLast->first;
        } else if (o_.From) {
            first = lorv::FirstReadingAtOrAfter(format_.TextToDateTime(*o_.From), start, interval);
        }
        const bool repeatFirst = !session_.LastReadingLine.empty();
        if (first + (repeatFirst ? 1 : 0) > last) {
            if (!o_.Output.empty() && !o_.Append) output.WriteFile();
            Note(repeatFirst ? "No new readings" : "No readings in the range");
            return ExitOk;
        }

        // The readings to ask for: the range, or with --new the parts of it the archive lacks or
        // holds damaged (all of it when the archive cannot say).
        std::vector<archive::TIndexRange> ranges{{first, last}};
        archive::TArchive* store = o_.NoArchive ? nullptr : TryArchive();
        if (o_.New && store) ranges = store->WantedIndices(KeyOfSession(), first, last + 1);
        if (ranges.empty()) {
            if (!o_.Output.empty()) output.WriteFile();
            Note("No new readings");
            return ExitOk;
        }
        std::int64_t wanted = 0;
        for (const archive::TIndexRange& r : ranges) wanted += r.Count();

        std::optional<archive::TDownloadArchiver> archiver;
        if (!o_.NoArchive) {
            archiver.emplace(store, archiveFailure_);
            archive::TDownloadInfo info;
            info.Actor = archive::TActor::Current(Program());
            info.Port = portName_;
            info.Status = status;
            info.Range = TDownloadRange{first, last, false};
            archiver->Begin(KeyOfSession(), info);
            host_.OnChunk = [&archiver](const std::vector<TStoredReading>& chunk) { archiver->Chunk(chunk); };
        }

        TProgressMeter meter(wanted - (repeatFirst ? 1 : 0), env_.ErrIsTerminal);
        const std::int64_t startMs = SteadyMs();
        host_.OnReading = [&output](const std::string& line) { output.Add(line); };
        if (!o_.Quiet)
            host_.OnProgress = [&](std::int64_t stored) {
                err_ << meter.Update(stored, SteadyMs() - startMs) << std::flush;
            };

        TDownloadReport report;
        for (const archive::TIndexRange& r : ranges) {
            const TDownloadReport part = session_.DownloadReadings(TDownloadRange{r.First, r.Last, false});
            if (&r == &ranges.front())
                report = part;
            else
                AppendDownloadReport(report, part);
            if (part.Ending != TDownloadEnd::RangeCovered) break;
        }
        host_.OnProgress = nullptr;
        host_.OnReading = nullptr;
        host_.OnChunk = nullptr;
        if (!o_.Quiet) err_ << meter.Finish(report.ReadingsStored, SteadyMs() - startMs) << std::flush;
        if (report.NoiseDropped > 0)
            Note(std::to_string(report.NoiseDropped) + " bytes of line noise dropped in front of " +
                 std::to_string(report.ReadingsBehindNoise) + " readings");
        if (archiver) archiver->Finish(report, archive::TActor::Current(Program()));

        // What came is written whatever ended the download. A file is replaced by an empty
        // download only when the logger really had nothing in the range, and an appended file is
        // rewritten only when it gains lines.
        const std::int64_t stored = report.ReadingsStored;
        const bool covered = report.Ending == TDownloadEnd::RangeCovered;
        if (!o_.Output.empty() && (stored > 0 || (covered && !o_.Append))) output.WriteFile();
        if (stored == 0) {
            if (covered) Note("No new readings");
        } else if (const auto counts = output.Counts()) {
            Note(ExportNote(*counts, o_.Output));
        } else if (!o_.Output.empty()) {
            Note(std::to_string(stored) + (o_.Append ? " new readings appended to " : " readings written to ") +
                 o_.Output);
        }
        int outcome = Outcome(report);
        if (archiver && !archiver->Archived()) {
            const int failed =
                Fail(ExitNotArchived, "readings not archived: " + ArchiveErrorText(*archiver->Failure()));
            if (outcome == ExitOk) outcome = failed;
        }
        return outcome;
    }

    // The exit status of a download, with one error line for each way it fell short.
    int Outcome(const TDownloadReport& report) {
        using TKind = TDownloadShortfall::TKind;
        int status = ExitOk;
        const auto fail = [&](int code, const std::string& message) {
            const int failed = Fail(code, message);
            if (status == ExitOk) status = failed;
        };
        for (const TDownloadShortfall& s : DownloadShortfalls(report)) {
            const std::string missed =
                s.Next <= s.End ? "; " + ReadingsText(s.Next, s.End) + " were not received" : "";
            switch (s.Kind) {
                case TKind::PortFailure:
                    fail(ExitFileOrPort, "port " + portName_ + ": " + s.PortErrorText + missed);
                    break;
                case TKind::StoppedByUser:
                    fail(128 + host_.StopSignal(), "stopped by signal " + std::to_string(host_.StopSignal()) + missed);
                    break;
                case TKind::LoggerSilent:
                    fail(ExitNoAnswer, "the logger stopped answering at reading " + std::to_string(s.Next) + " of " +
                                           std::to_string(s.End) + missed);
                    break;
                case TKind::NotStarted:
                    break;
                case TKind::Missing:
                    fail(ExitDamaged, "readings not received (those after them kept coming in their place): " +
                                          IndexListText(s.Readings, 20));
                    break;
                case TKind::DamagedKept:
                    fail(ExitDamaged, "damaged lines kept as received for readings " + IndexListText(s.Readings, 20));
                    break;
                case TKind::OffTimeKept:
                    fail(ExitDamaged, "readings kept whose time is not the recording start plus index times interval: " +
                                          IndexListText(s.Readings, 20));
                    break;
            }
        }
        return status;
    }

    int Start() {
        const TDateTime start = format_.TextToDateTime(o_.Start);
        const TDateTime stop = format_.TextToDateTime(o_.Stop);
        const std::string startText = FullTimeText(format_, start);
        const std::string stopText = FullTimeText(format_, stop);
        const std::string intervalText =
            lorv::MinimumIntervalText(format_, format_.TimeToText(format_.TextToTime(o_.Interval)));
        Connect();
        const TDateTime clockSet = session_.CurrentTime ? session_.CurrentTime() : Now();
        session_.WriteLoggerSettings(startText, stopText, intervalText);
        CheckStop();
        // The set commands get no answer; reading the settings back is the only proof they took.
        const TLoggerStatus s = ReadSettings();
        const auto same = [](const std::optional<TDateTime>& got, TDateTime want) {
            return got && SecondsBetween(want, *got) == 0;
        };
        const std::int64_t intervalSeconds =
            static_cast<std::int64_t>(IntervalSeconds(format_.TextToTime(intervalText)));
        if (!same(s.RecStart, start) || !same(s.RecStop, stop) || s.IntervalSeconds != intervalSeconds)
            throw TRunError{ExitNoAnswer, "the logger did not confirm the new settings"};
        if (!o_.Quiet)
            out_ << "Recording set: start " << startText << ", stop " << stopText << ", interval " << intervalText
                 << "\n";
        return RecordEvent(archive::TRecordingStarted{session_.ModelAnswer, portName_, clockSet, start, stop,
                                                      intervalSeconds});
    }

    int Erase() {
        Connect();
        // The recording the logger holds, so that the archive can say what an erase would lose.
        const TLoggerStatus s = session_.ReadLoggerSettings();
        CheckStop();
        if (s.Failure && !o_.DiscardUnarchived) throw *s.Failure;
        const std::optional<std::int64_t> held = s.Failure ? std::nullopt : archive::HeldReadingCount(s);
        std::optional<archive::TRecordingKey> key;
        std::int64_t unarchived = 0;
        if (held) {
            key = KeyOfSession();
            archive::TArchive* store = TryArchive();
            try {
                unarchived = store ? store->UnarchivedCount(*key, *held) : *held;
            } catch (const archive::EArchiveError& e) {
                archiveFailure_ = e;
                unarchived = *held;
            }
            if (unarchived > 0 && !o_.DiscardUnarchived) {
                std::vector<std::string> why;
                if (archiveFailure_) why.push_back("archive " + ArchiveErrorText(*archiveFailure_));
                throw TRunError{ExitUnarchived,
                                "the logger holds " + std::to_string(unarchived) +
                                    " readings that are not in the archive; nothing erased "
                                    "(--discard-unarchived erases them all the same)",
                                why};
            }
        }
        session_.EraseLogger();
        CheckStop();
        if (!o_.Quiet) out_ << "Logger erased\n";
        std::optional<std::int64_t> recordingId;
        if (key && archive_) {
            try {
                recordingId = archive_->FindRecording(*key);
            } catch (const archive::EArchiveError&) {
            }
        }
        return RecordEvent(archive::TLoggerErased{session_.ModelAnswer, portName_, key, held, unarchived}, recordingId);
    }

    int ArchiveList() {
        const auto recordings = Archive().Recordings();
        out_ << (o_.Json ? FormatRecordingsJson(recordings) : FormatRecordingsText(recordings));
        return ExitOk;
    }

    int ArchiveShow() {
        const archive::TRecordingSummary recording = RecordingOrFail(*o_.Recording);
        out_ << FormatRecordingText(Archive(), recording);
        return ExitOk;
    }

    int ArchiveExport() {
        RecordingOrFail(*o_.Recording);
        const TLineStore lines = Archive().ReadingLines(*o_.Recording);
        std::string text;
        readings::TExportCounts counts;
        const std::optional<readings::TExportOptions> table = o_.Table();
        if (table) {
            text = readings::ExportReadings(lines, *table, &counts);
        } else {
            text = readings::JoinTextLines(lines);
            counts.Readings = lines.Count();
        }
        if (o_.Output.empty()) {
            out_ << text;
            out_.flush();
        } else {
            WriteFileAtomically(o_.Output, text);
        }
        if (!o_.Quiet) Note(ExportNote(counts, o_.Output));
        Archive().AddEvent(archive::TActor::Current(Program()), *o_.Recording,
                           archive::TReadingsExported{o_.Output, o_.Format.empty() ? "log" : o_.Format, o_.Utc,
                                                      static_cast<std::int64_t>(counts.Readings)});
        return ExitOk;
    }

    int ArchiveImport() {
        const TLineStore lines = readings::LoadDataFile(o_.File);
        std::optional<TDateTime> start;
        std::optional<std::int64_t> interval;
        if (!o_.Start.empty()) start = format_.TextToDateTime(o_.Start);
        if (!o_.Interval.empty())
            interval = static_cast<std::int64_t>(IntervalSeconds(format_.TextToTime(o_.Interval)));
        const archive::TImportPlan plan = archive::PlanImport(lines, start, interval, format_);
        if (plan.IntervalSeconds <= 0)
            throw TRunError{ExitUsage, o_.File + " holds no two readings to take the interval from; give --interval"};
        const archive::TRecordingKey key{o_.Model, plan.Start, plan.IntervalSeconds};
        archive::TReadingsImported event{o_.File, static_cast<std::int64_t>(lines.Count()), 0, plan.Skipped};
        const archive::TChunkResult r =
            Archive().ImportReadings(key, plan.Readings, archive::TActor::Current(Program()), event);
        const std::int64_t id = *Archive().FindRecording(key);
        Note(std::to_string(r.Added + r.Replaced + r.Conflicts) + " readings imported into recording " +
             std::to_string(id) + " (" + o_.Model + ", start " + FullTimeText(format_, plan.Start) + ", interval " +
             std::to_string(plan.IntervalSeconds) + " s): " + std::to_string(r.Added) + " new, " +
             std::to_string(r.Replaced) + " replacing damaged ones, " + std::to_string(r.Conflicts) +
             " in conflict, " + std::to_string(r.Unchanged) + " held already; " + std::to_string(plan.Skipped) +
             " lines skipped");
        return ExitOk;
    }

    int ArchiveVerify() {
        const archive::TVerifyResult result = Archive().Verify();
        out_ << FormatVerifyText(result, Archive());
        return result.Sound() ? ExitOk : ExitNotSound;
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

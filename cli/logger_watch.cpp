#include "cli/logger_watch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <thread>

#include "archive/archive_location.h"
#include "archive/download_archiver.h"
#include "archive/sqlite_archive.h"
#include "base/atomic_file.h"
#include "base/errors.h"
#include "base/version.h"
#include "cli/archive_report.h"
#include "cli/cli_host.h"
#include "cli/port_watch.h"
#include "cli/profile_lookup.h"
#include "cli/report_file_name.h"
#include "cli/watch_lines.h"
#include "data/alarm_evaluation.h"
#include "data/data_file.h"
#include "data/line_store.h"
#include "data/reading_gaps.h"
#include "data/reading_record.h"
#include "logger/command_exchange.h"
#include "logger/logger_session.h"
#include "logger/logger_time.h"
#include "serial/port_discovery.h"
#include "serial/posix_comm_driver.h"
#include "serial/serial_port.h"

namespace cli {
namespace {

const std::string kDevicePrefix = "\\\\.\\";
constexpr std::int64_t kScanPeriodMs = 1000;
// The longest sleep between looks at the stop flag (a signal also cuts a sleep short).
constexpr std::int64_t kNapMs = 100;

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string Program() { return std::string("lorv304d-cli ") + ProjectVersion; }

// Readings the archive took in (new, replacing, in conflict or held already).
std::int64_t ArchivedReadings(const archive::TChunkResult& totals) {
    return totals.Added + totals.Replaced + totals.Conflicts + totals.Unchanged;
}

// A connected logger: its own port, host and session, so that probing other ports never closes it.
struct TLink {
    explicit TLink(const volatile std::sig_atomic_t* stop) : Host(stop), Session(Port, Host) {}

    TSerialPort Port;
    TCliHost Host;
    TLoggerSession Session;
    std::string Name;
    archive::TRecordingKey Key;
    std::optional<std::int64_t> RecordingId;
    // Following: the first reading not asked for yet, and the archive's download that gathers the
    // followed readings until the logger goes.
    std::int64_t FollowNext = 0;
    std::optional<archive::TDownloadArchiver> FollowArchiver;
    TDownloadReport FollowReport;
    std::int64_t FollowWanted = 0;
    bool FollowFailureTold = false;
    bool UnreportedReadings = false;  // readings archived since the last report
    // The rules told as triggered, by rule and channel, with the excursions they had then.
    std::map<std::pair<std::size_t, int>, std::size_t> AlarmsTold;
};

class TLoggerWatch {
  public:
    TLoggerWatch(const TCliOptions& options, std::ostream& out, std::ostream& err, const TCliEnvironment& env)
        : o_(options), out_(out), err_(err), env_(env) {}

    int Run() {
        if (const int status = Prepare(); status != ExitOk) return status;
        Emit(TWatchStarted{archivePath_, o_.Follow});
        std::int64_t nextScanMs = SteadyMs();
        while (!Stopped()) {
            if (SteadyMs() >= nextScanMs) {
                Scan();
                // A long download delays the next scan, never doubles it up.
                nextScanMs = SteadyMs() + kScanPeriodMs;
            }
            for (const std::string& name : watch_.FollowDue(SteadyMs())) {
                if (Stopped()) break;
                try {
                    Follow(name);
                } catch (const std::exception& e) {
                    if (const auto it = links_.find(name); it != links_.end()) {
                        EndFollow(*it->second, true);
                        Trouble(*it->second, e.what());
                    }
                }
            }
            std::int64_t wakeMs = nextScanMs;
            if (const auto due = watch_.EarliestDue()) wakeMs = std::min(wakeMs, *due);
            SleepUntil(wakeMs);
        }
        for (auto& [name, link] : links_) {
            EndFollow(*link, false);
            LetGo(*link);
        }
        links_.clear();
        Emit(TWatchStopped{StopSignal()});
        return WriteCommLog();
    }

  private:
    const TCliOptions& o_;
    std::ostream& out_;
    std::ostream& err_;
    const TCliEnvironment& env_;
    std::string archivePath_;
    std::unique_ptr<archive::TArchive> archive_;
    std::optional<readings::TAlarmProfile> profile_;
    TPortWatch watch_;
    std::map<std::string, std::unique_ptr<TLink>> links_;
    std::map<std::string, std::string> releasedModels_;  // let go, by port: told as gone when unplugged
    std::vector<std::string> commLog_;
    bool listFaultTold_ = false;

    int StopSignal() const { return env_.StopSignal ? static_cast<int>(*env_.StopSignal) : 0; }
    bool Stopped() const { return StopSignal() != 0; }

    int Fail(int status, const std::string& message) {
        err_ << "lorv304d-cli: " << message << "\n";
        return status;
    }

    void Emit(const TWatchEvent& event) {
        out_ << (o_.Json ? WatchEventJson(event, Now()) : WatchEventText(event, Now())) << "\n" << std::flush;
    }

    void SleepUntil(std::int64_t wakeMs) {
        for (std::int64_t now = SteadyMs(); !Stopped() && now < wakeMs; now = SteadyMs())
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(wakeMs - now, kNapMs)));
    }

    // Everything that must hold before the first port is looked at: the profile, the report folder
    // and an archive that opens and may be written.
    int Prepare() {
        if (!o_.Profile.empty()) {
            int status = ExitOk;
            profile_ = ChosenProfile(o_.Profile, env_.SettingsFile, {}, err_, status);
            if (!profile_) return status;
        }
        if (!o_.ReportDir.empty()) {
            if (!env_.Report) return Fail(ExitUsage, "this build of the program makes no reports");
            std::error_code ec;
            std::filesystem::create_directories(o_.ReportDir, ec);
            if (!std::filesystem::is_directory(o_.ReportDir) || ::access(o_.ReportDir.c_str(), W_OK) != 0)
                return Fail(ExitFileOrPort, "Cannot write reports to " + o_.ReportDir + ": " +
                                                TSerialPort::GetErrorDesc(ec ? ec.value() : errno));
        }
        archivePath_ =
            o_.Archive.empty() ? archive::DefaultArchivePath(archive::TArchiveEnvironment::FromProcess()) : o_.Archive;
        if (archivePath_.empty()) return Fail(ExitFileOrPort, "no home folder for the archive");
        try {
            archive_ = archive::OpenSqliteArchive(archivePath_);
        } catch (const archive::EArchiveError& e) {
            return Fail(ExitFileOrPort, "archive " + ArchiveErrorText(e));
        }
        // The journal beside the file needs its folder: both must take writes, or every download
        // would be lost to the archive.
        const std::string folder = std::filesystem::absolute(archivePath_).parent_path().string();
        if (::access(archivePath_.c_str(), W_OK) != 0 || ::access(folder.c_str(), W_OK) != 0)
            return Fail(ExitFileOrPort,
                        "archive " + ArchiveErrorText(archive::EArchiveError(archive::TArchiveErrorKind::ReadOnly,
                                                                             archivePath_, TSerialPort::GetErrorDesc(errno))));
        return ExitOk;
    }

    // The VCP ports whose device node is there, in the order the search probes them. None when the
    // list cannot be read (a faulty device map file: told once).
    std::optional<std::vector<TListedPort>> ListPorts() {
        std::vector<std::string> entries;
        try {
            ListSerialPorts(entries);
        } catch (const ERegistryError& e) {
            if (!listFaultTold_) Fail(ExitFileOrPort, e.what());
            listFaultTold_ = true;
            return std::nullopt;
        }
        listFaultTold_ = false;
        KeepVcpPorts(entries);
        std::vector<TListedPort> ports;
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            const auto colon = it->find(':');
            const std::string name = colon == std::string::npos ? *it : it->substr(colon + 1);
            // --port watches that one port of the list.
            if (!o_.Port.empty() && o_.Port != name && o_.Port != "/dev/" + name) continue;
            struct stat st {};
            // A port without its device node is not plugged in (a device map left behind).
            if (::stat(posix_comm::DevicePathForPort(kDevicePrefix + name).c_str(), &st) != 0) continue;
            // The node is made anew for each device plugged in: its inode and change time tell
            // a new device under an old name.
            const std::uint64_t instance = (static_cast<std::uint64_t>(st.st_ino) << 40) ^
                                           static_cast<std::uint64_t>(st.st_ctim.tv_sec) * 1'000'000'000ull ^
                                           static_cast<std::uint64_t>(st.st_ctim.tv_nsec);
            ports.push_back({name, instance});
        }
        return ports;
    }

    void Scan() {
        const auto ports = ListPorts();
        if (!ports) return;
        const TScanStep step = watch_.Scan(*ports);
        for (const TGonePort& gone : step.Gone) {
            if (const auto it = links_.find(gone.Name); it != links_.end()) {
                TLink& link = *it->second;
                EndFollow(link, true);
                LetGo(link);
                Emit(TLoggerGone{gone.Name, link.Session.ModelAnswer});
                links_.erase(it);
            } else if (const auto model = releasedModels_.find(gone.Name); model != releasedModels_.end()) {
                Emit(TLoggerGone{gone.Name, model->second});
                releasedModels_.erase(model);
            }
        }
        for (const std::string& name : step.Probe) {
            if (Stopped()) return;
            Probe(name);
        }
    }

    void Probe(const std::string& name) {
        auto link = std::make_unique<TLink>(env_.StopSignal);
        link->Name = name;
        const std::string device = kDevicePrefix + name;
        const TSearchResult search = link->Session.ConnectPort(name, device);
        const TProbeResult& probe = search.Probes.back();
        if (!probe.Opened) {
            std::optional<TPortDiagnosis> why = DiagnosePort(name, device, false, probe.OpenError);
            if (!why) {
                why.emplace();
                why->PortName = name;
                why->DevicePath = posix_comm::DevicePathForPort(device);
                why->OsError = probe.OpenError;
            }
            if (watch_.ProbeUnopened(name, *why)) Emit(TPortUnavailable{*why});
            return;
        }
        if (!probe.IsLogger) {
            watch_.ProbedForeign(name);
            Emit(TOtherDevice{name, probe.Answer});
            return;
        }
        watch_.ProbedLogger(name);
        releasedModels_.erase(name);
        TLink& kept = *link;
        links_[name] = std::move(link);
        try {
            CatchUp(kept);
        } catch (const std::exception& e) {
            // One logger's trouble never ends the watch.
            if (links_.count(name)) Trouble(kept, e.what());
        }
    }

    // Sends "d!" to a connected logger and closes its port; keeps its part of the comm log.
    void LetGo(TLink& link) {
        if (link.Session.Connected && link.Port.IsOpen()) PostCommand(link.Port, link.Host, "d!");
        link.Port.ClosePort();
        link.Session.Connected = false;
        KeepCommLog(link);
    }

    // Moves the link's exchange to the comm log asked for; without one it is dropped, so that a
    // watch of months holds no growing log.
    void KeepCommLog(TLink& link) {
        if (!o_.CommLog.empty())
            commLog_.insert(commLog_.end(), link.Host.CommLog.begin(), link.Host.CommLog.end());
        link.Host.CommLog.clear();
    }

    // The logger is done with: let go and waiting for the unplug.
    void Release(TLink& link) {
        const std::string name = link.Name;
        LetGo(link);
        watch_.Released(name);
        releasedModels_[name] = link.Session.ModelAnswer;
        links_.erase(name);
    }

    // The logger's port failed under a download: it is gone.
    void Lose(TLink& link) {
        const std::string name = link.Name;
        EndFollow(link, true);
        link.Session.Connected = false;  // no "d!" into a dead port
        LetGo(link);
        watch_.Lost(name);
        Emit(TLoggerGone{name, link.Session.ModelAnswer});
        links_.erase(name);
    }

    void Trouble(TLink& link, const std::string& reason) {
        Emit(TLoggerTrouble{link.Name, link.Session.ModelAnswer, reason});
        Release(link);
    }

    // The readings the logger holds by now: the index of the last one (-1: none).
    static std::int64_t LastHeld(const TLoggerSession& s) {
        TDateTime until = s.LoggerClockNow();
        if (s.RecStop != 0) until = std::min(until, s.RecStop);
        return lorv::LastReadingAtOrBefore(until, s.RecStart, s.RecIntervalSeconds);
    }

    // Index ranges of [first, last] that the archive lacks or holds damaged; all of it when the
    // archive cannot say.
    std::vector<archive::TIndexRange> Wanted(const TLink& link, std::int64_t first, std::int64_t last) {
        try {
            return archive_->WantedIndices(link.Key, first, last + 1);
        } catch (const archive::EArchiveError&) {
            return {{first, last}};
        }
    }

    // The archive's view of the recording: readings expected up to `last` and held clean.
    void Completeness(const TLink& link, std::int64_t last, TReadingsDownloaded& event) {
        try {
            std::int64_t lacking = 0;
            for (const archive::TIndexRange& r : archive_->WantedIndices(link.Key, 0, last + 1)) lacking += r.Count();
            event.Expected = last + 1;
            event.Held = last + 1 - lacking;
        } catch (const archive::EArchiveError&) {
        }
    }

    archive::TDownloadInfo InfoOf(const TLink& link, const TLoggerStatus& status, const TDownloadRange& range) const {
        archive::TDownloadInfo info;
        info.Actor = archive::TActor::Current(Program());
        info.Port = link.Name;
        info.Status = status;
        info.Range = range;
        return info;
    }

    void TellNotArchived(const TLink& link, std::int64_t readings, const archive::EArchiveError& error) {
        const TNotArchived event{link.Name, link.Session.ModelAnswer, readings, error};
        Emit(event);
        Fail(ExitNotArchived, WatchEventWords(event));
    }

    // The first download after a plug-in: everything of the recording the archive lacks.
    void CatchUp(TLink& link) {
        TLoggerSession& s = link.Session;
        const TLoggerStatus status = s.ReadLoggerSettings();
        if (status.Failure) return Trouble(link, std::string("answer of the logger: ") + status.Failure->what());
        std::string missing;
        for (const auto& [present, command] : {std::pair{status.Clock.has_value(), "T?"},
                                               std::pair{status.RecStart.has_value(), "R?"},
                                               std::pair{status.RecStop.has_value(), "S?"},
                                               std::pair{status.Interval.has_value() && s.RecIntervalSeconds > 0, "I?"}})
            if (!present) missing += (missing.empty() ? "" : ", ") + std::string(command);
        if (!missing.empty()) return Trouble(link, "no answer from the logger to " + missing);

        link.Key = archive::TRecordingKey{s.ModelAnswer, s.RecStart, s.RecIntervalSeconds};
        Emit(TLoggerFound{link.Name, s.ModelAnswer, s.RecStart, s.RecStop, s.RecIntervalSeconds,
                          status.ClockOffsetSeconds(), status.BatteryMv});
        try {
            link.RecordingId = archive_->FindRecording(link.Key);
        } catch (const archive::EArchiveError&) {
        }

        TReadingsDownloaded event;
        event.Port = link.Name;
        event.Model = s.ModelAnswer;
        const std::int64_t last = LastHeld(s);
        if (s.RecStart > s.LoggerClockNow()) {
            event.NotStarted = true;
            Emit(event);
            return AfterCatchUp(link, 0);
        }
        const std::vector<archive::TIndexRange> ranges = last >= 0 ? Wanted(link, 0, last) : std::vector<archive::TIndexRange>{};
        for (const archive::TIndexRange& r : ranges) event.Wanted += r.Count();
        if (!ranges.empty()) {
            archive::TDownloadArchiver archiver(archive_.get());
            archiver.Begin(link.Key, InfoOf(link, status, TDownloadRange{ranges.front().First, last, false}));
            link.Host.OnChunk = [&archiver](const std::vector<TStoredReading>& chunk) { archiver.Chunk(chunk); };
            for (const archive::TIndexRange& r : ranges) {
                const TDownloadReport part = s.DownloadReadings(TDownloadRange{r.First, r.Last, false});
                if (&r == &ranges.front())
                    event.Report = part;
                else
                    AppendDownloadReport(event.Report, part);
                if (part.Ending != TDownloadEnd::RangeCovered) break;
            }
            link.Host.OnChunk = nullptr;
            archiver.Finish(event.Report, archive::TActor::Current(Program()));
            if (!archiver.Archived()) {
                TellNotArchived(link, event.Report.ReadingsStored - ArchivedReadings(archiver.Totals()),
                                *archiver.Failure());
            } else if (event.Report.ReadingsStored > 0) {
                link.UnreportedReadings = true;
            }
        } else {
            event.Report.First = event.Report.Next = last + 1;
            event.Report.End = last;
        }
        try {
            link.RecordingId = archive_->FindRecording(link.Key);
        } catch (const archive::EArchiveError&) {
        }
        event.RecordingId = link.RecordingId;
        Completeness(link, last, event);
        Emit(event);
        CheckAlarms(link);
        if (event.Report.Ending == TDownloadEnd::PortFailure) return Lose(link);
        // A stop signal ends the watch at once: no report then.
        if (link.UnreportedReadings && !Stopped()) WriteReport(link);
        AfterCatchUp(link, last + 1);
    }

    // Following from reading `next` on, or letting the logger go.
    void AfterCatchUp(TLink& link, std::int64_t next) {
        if (Stopped()) return;  // the stop lets every logger go
        if (!o_.Follow) return Release(link);
        link.FollowNext = next;
        Schedule(link);
    }

    void Schedule(TLink& link) {
        const TLoggerSession& s = link.Session;
        watch_.FollowAt(link.Name, ReadingDueMs(link.FollowNext, s.RecStart, s.RecIntervalSeconds, s.RecStop,
                                                s.LoggerClockNow(), SteadyMs()));
    }

    // A followed logger's readings taken since the last download, each told as it comes.
    void Follow(const std::string& name) {
        const auto it = links_.find(name);
        if (it == links_.end()) return;
        TLink& link = *it->second;
        TLoggerSession& s = link.Session;
        const std::int64_t last = LastHeld(s);
        if (last >= link.FollowNext) {
            if (!link.FollowArchiver) {
                // One archive download gathers what the following brings, until the logger goes.
                link.FollowArchiver.emplace(archive_.get());
                TLoggerStatus status;
                status.RecStart = s.RecStart;
                status.RecStop = s.RecStop;
                status.Interval = s.RecInterval;
                status.IntervalSeconds = s.RecIntervalSeconds;
                const std::int64_t end = s.RecStop != 0 ? lorv::LastReadingAtOrBefore(s.RecStop, s.RecStart, s.RecIntervalSeconds) : last;
                link.FollowArchiver->Begin(link.Key, InfoOf(link, status, TDownloadRange{link.FollowNext, std::max(end, last), false}));
                link.FollowReport = TDownloadReport{};
                link.FollowWanted = 0;
            }
            const std::int64_t archivedBefore = ArchivedReadings(link.FollowArchiver->Totals());
            link.Host.OnChunk = [this, &link](const std::vector<TStoredReading>& chunk) {
                link.FollowArchiver->Chunk(chunk);
                for (const TStoredReading& r : chunk) Emit(TReadingTaken{link.Name, link.Session.ModelAnswer, r.Index, r.Line});
            };
            const TDownloadReport part = s.DownloadReadings(TDownloadRange{link.FollowNext, last, false});
            link.Host.OnChunk = nullptr;
            // The next round is an interval away: what this one brought is committed now, before
            // the archive is read or the failure is told.
            link.FollowArchiver->Commit();
            if (link.FollowWanted == 0)
                link.FollowReport = part;
            else
                AppendDownloadReport(link.FollowReport, part);
            link.FollowWanted += last - link.FollowNext + 1;
            if (part.ReadingsStored > 0) link.UnreportedReadings = true;
            const bool covered = part.Ending == TDownloadEnd::RangeCovered;
            if (!part.Complete() && part.Ending != TDownloadEnd::PortFailure && part.Ending != TDownloadEnd::StoppedByUser) {
                TReadingsDownloaded event;
                event.Port = link.Name;
                event.Model = s.ModelAnswer;
                event.Follow = true;
                event.Wanted = last - link.FollowNext + 1;
                event.Report = part;
                event.RecordingId = link.RecordingId;
                Completeness(link, last, event);
                Emit(event);
            }
            if (link.FollowArchiver->Failure()) {
                // Said for this download; the next one begins a download of the archive anew.
                TellNotArchived(link, part.ReadingsStored - (ArchivedReadings(link.FollowArchiver->Totals()) - archivedBefore),
                                *link.FollowArchiver->Failure());
                link.FollowFailureTold = true;
                EndFollow(link, false);
            }
            if (o_.CommLog.empty()) link.Host.CommLog.clear();
            link.FollowNext = covered ? last + 1 : part.Next;
            if (part.ReadingsStored > 0) CheckAlarms(link);
            if (part.Ending == TDownloadEnd::PortFailure) return Lose(link);
            if (Stopped()) return;
        }
        Schedule(link);
    }

    // Ends the archive's download of a followed recording; a report of what came since the last
    // one when `report`.
    void EndFollow(TLink& link, bool report) {
        if (link.FollowArchiver) {
            link.FollowArchiver->Finish(link.FollowReport, archive::TActor::Current(Program()));
            // Only the end of the download failed here: its readings are in the archive.
            if (!link.FollowArchiver->Archived() && !link.FollowFailureTold)
                TellNotArchived(link, 0, *link.FollowArchiver->Failure());
            link.FollowArchiver.reset();
            link.FollowFailureTold = false;
        }
        if (report && link.UnreportedReadings) WriteReport(link);
    }

    // The profile's rules over the recording as archived; a rule is told when it triggers, and
    // again when it has more excursions than when it was last told.
    void CheckAlarms(TLink& link) {
        if (!profile_ || !link.RecordingId) return;
        TLineStore lines;
        try {
            lines = archive_->ReadingLines(*link.RecordingId);
        } catch (const archive::EArchiveError&) {
            return;
        }
        const std::vector<readings::TReading> taken = readings::ReadReadings(lines);
        const readings::TProfileResult result =
            readings::EvaluateProfile(taken, readings::TimeOrder(taken), link.Key.IntervalSeconds, *profile_);
        for (const readings::TRuleResult& r : result.Rules) {
            if (!r.Triggered) continue;
            const auto key = std::make_pair(r.Rule, r.Channel);
            const auto told = link.AlarmsTold.find(key);
            if (told != link.AlarmsTold.end() && told->second >= r.Excursions.size()) continue;
            link.AlarmsTold[key] = r.Excursions.size();
            Emit(TAlarmTriggered{link.Name, link.Session.ModelAnswer, link.RecordingId, profile_->Name, r.Rule + 1,
                                 profile_->Rules[r.Rule], r});
        }
    }

    void WriteReport(TLink& link) {
        if (o_.ReportDir.empty() || !env_.Report) return;
        const std::string& model = link.Session.ModelAnswer;
        if (!link.RecordingId) {
            Emit(TReportFailed{link.Name, model, "", "the recording is not in the archive"});
            return;
        }
        const std::string base = ReportFileName(model, link.Key.Start, Now());
        std::filesystem::path file = std::filesystem::path(o_.ReportDir) / base;
        // Two downloads within one second get names of their own.
        for (int n = 2; std::filesystem::exists(file); ++n)
            file = std::filesystem::path(o_.ReportDir) / (base.substr(0, base.size() - 4) + "-" + std::to_string(n) + ".pdf");
        TCliOptions request;
        request.Cmd = Command::Report;
        request.Recording = link.RecordingId;
        request.Output = file.string();
        request.Profile = o_.Profile;
        request.Archive = archivePath_;
        const int status = env_.Report(request, env_.SettingsFile, err_);
        if (status == ExitOk) {
            link.UnreportedReadings = false;
            Emit(TReportWritten{link.Name, model, file.string()});
        } else {
            Emit(TReportFailed{link.Name, model, file.string(), "the report failed (exit status " + std::to_string(status) + ")"});
        }
    }

    int WriteCommLog() {
        if (o_.CommLog.empty()) return ExitOk;
        try {
            TLineStore lines;
            lines.Assign(commLog_);
            WriteFileAtomically(o_.CommLog, readings::JoinTextLines(lines));
        } catch (const EFileError& e) {
            return Fail(ExitFileOrPort, e.what());
        }
        return ExitOk;
    }
};

}  // namespace

int RunWatch(const TCliOptions& options, std::ostream& out, std::ostream& err, const TCliEnvironment& env) {
    return TLoggerWatch(options, out, err, env).Run();
}

}  // namespace cli

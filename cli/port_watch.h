#pragma once
// The watch's decisions over the port list, without processes or ports: which port to probe,
// which to leave alone, when a port counts as gone, and when a followed logger's next reading is
// due. The loop hands it each scan of the list and the outcome of each probe as values, with the
// time in milliseconds of a monotonic clock, and does what the answers say.
//
// A port is probed once when it appears. One that answered something else (or nothing) is left
// alone until it goes. One that would not open is tried again at every scan (a failed open sends
// nothing) and named again only when the reason changes. A port counts as gone when it leaves the
// list or when its device node is another one (unplugged and plugged in again between scans).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/logger_format.h"
#include "serial/port_diagnosis.h"

namespace cli {

// One port of a scan: its name as the port list gives it ("ttyUSB0") and the instance of its
// device node, which differs for each device plugged in under that name.
struct TListedPort {
    std::string Name;
    std::uint64_t Instance = 0;
};

enum class TPortRole {
    Unprobed,  // appeared; to be probed
    Foreign,   // answered something else, or nothing: left alone until it goes
    Unopened,  // would not open: tried again at every scan
    Logger,    // a logger, connected: being downloaded or followed
    Released,  // a logger downloaded and let go: waits for the unplug
    Lost,      // a logger whose port failed under it (already told): waits for the port to go
};

struct TGonePort {
    std::string Name;
    TPortRole Role = TPortRole::Unprobed;  // what it was
};

struct TScanStep {
    std::vector<TGonePort> Gone;     // in the order of the earlier scan
    std::vector<std::string> Probe;  // to open and ask "N?", in the order of this scan
};

class TPortWatch {
  public:
    // Takes this scan's list (in list order) and says which ports went and which to probe.
    TScanStep Scan(const std::vector<TListedPort>& ports);

    // The outcome of a probe of a port that Scan named.
    void ProbedLogger(const std::string& name);
    void ProbedForeign(const std::string& name);
    // The port would not open, for `why`. True when that is news: the first time, or a reason
    // other than the one named before (another error, other holders, another owner or mode).
    bool ProbeUnopened(const std::string& name, const TPortDiagnosis& why);

    // A logger that was downloaded and let go (the port closed).
    void Released(const std::string& name);
    // A logger whose port failed under it: gone for the caller, and no word when it leaves the list.
    void Lost(const std::string& name);

    // A followed logger's next download is due at `dueMs`; none: no reading will come (the
    // recording stopped), it stays connected until it goes.
    void FollowAt(const std::string& name, std::optional<std::int64_t> dueMs);
    // The followed loggers whose download is due at `nowMs`, each handed out once per FollowAt.
    std::vector<std::string> FollowDue(std::int64_t nowMs);
    // The earliest time a followed logger is due; none when no download waits.
    std::optional<std::int64_t> EarliestDue() const;

    // The role of a port in the last scan; Unprobed for one not listed.
    TPortRole Role(const std::string& name) const;

  private:
    struct TEntry {
        TListedPort Port;
        TPortRole Role = TPortRole::Unprobed;
        std::optional<TPortDiagnosis> Trouble;  // Unopened: the reason last named
        std::optional<std::int64_t> DueMs;      // Logger, followed: the next download
    };
    std::vector<TEntry> ports_;

    TEntry* Find(const std::string& name);
    const TEntry* Find(const std::string& name) const;
};

// When, in the monotonic milliseconds of `nowMs`, reading `index` of a recording is taken: its
// time (`recStart` + index x `intervalSeconds`) on the logger's clock, which reads
// `loggerClockNow` at `nowMs`. At once when that time has come. None after the recording's stop
// (a `recStop` of 0 stops nothing) or without an interval.
std::optional<std::int64_t> ReadingDueMs(std::int64_t index, TDateTime recStart, std::int64_t intervalSeconds,
                                         TDateTime recStop, TDateTime loggerClockNow, std::int64_t nowMs);

}  // namespace cli

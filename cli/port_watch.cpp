#include "cli/port_watch.h"

#include <algorithm>
#include <cmath>

namespace cli {
namespace {

// Whether two diagnoses of one port give the same reason: what a user would be told differs.
bool SameTrouble(const TPortDiagnosis& a, const TPortDiagnosis& b) {
    return a.OsError == b.OsError && a.Trouble == b.Trouble && a.GroupId == b.GroupId && a.Mode == b.Mode &&
           a.ProcessInGroup == b.ProcessInGroup && a.UserInGroup == b.UserInGroup && a.Holders == b.Holders;
}

}  // namespace

TPortWatch::TEntry* TPortWatch::Find(const std::string& name) {
    const auto it = std::find_if(ports_.begin(), ports_.end(), [&](const TEntry& e) { return e.Port.Name == name; });
    return it == ports_.end() ? nullptr : &*it;
}

const TPortWatch::TEntry* TPortWatch::Find(const std::string& name) const {
    return const_cast<TPortWatch*>(this)->Find(name);
}

TScanStep TPortWatch::Scan(const std::vector<TListedPort>& ports) {
    TScanStep step;
    std::vector<TEntry> next;
    for (TEntry& old : ports_) {
        const auto now = std::find_if(ports.begin(), ports.end(), [&](const TListedPort& p) {
            return p.Name == old.Port.Name && p.Instance == old.Port.Instance;
        });
        if (now == ports.end()) step.Gone.push_back({old.Port.Name, old.Role});
    }
    for (const TListedPort& port : ports) {
        // A name listed twice is one port.
        if (std::any_of(next.begin(), next.end(), [&](const TEntry& e) { return e.Port.Name == port.Name; })) continue;
        TEntry* old = Find(port.Name);
        if (old && old->Port.Instance == port.Instance)
            next.push_back(std::move(*old));
        else
            next.emplace_back().Port = port;
        const TEntry& entry = next.back();
        if (entry.Role == TPortRole::Unprobed || entry.Role == TPortRole::Unopened) step.Probe.push_back(port.Name);
    }
    ports_ = std::move(next);
    return step;
}

void TPortWatch::ProbedLogger(const std::string& name) {
    if (TEntry* e = Find(name)) {
        e->Role = TPortRole::Logger;
        e->Trouble.reset();
        e->DueMs.reset();
    }
}

void TPortWatch::ProbedForeign(const std::string& name) {
    if (TEntry* e = Find(name)) {
        e->Role = TPortRole::Foreign;
        e->Trouble.reset();
    }
}

bool TPortWatch::ProbeUnopened(const std::string& name, const TPortDiagnosis& why) {
    TEntry* e = Find(name);
    if (!e) return false;
    const bool news = !(e->Role == TPortRole::Unopened && e->Trouble && SameTrouble(*e->Trouble, why));
    e->Role = TPortRole::Unopened;
    e->Trouble = why;
    return news;
}

void TPortWatch::Released(const std::string& name) {
    if (TEntry* e = Find(name)) {
        e->Role = TPortRole::Released;
        e->DueMs.reset();
    }
}

void TPortWatch::Lost(const std::string& name) {
    if (TEntry* e = Find(name)) {
        e->Role = TPortRole::Lost;
        e->DueMs.reset();
    }
}

void TPortWatch::FollowAt(const std::string& name, std::optional<std::int64_t> dueMs) {
    if (TEntry* e = Find(name); e && e->Role == TPortRole::Logger) e->DueMs = dueMs;
}

std::vector<std::string> TPortWatch::FollowDue(std::int64_t nowMs) {
    std::vector<std::string> due;
    for (TEntry& e : ports_) {
        if (e.Role != TPortRole::Logger || !e.DueMs || *e.DueMs > nowMs) continue;
        due.push_back(e.Port.Name);
        e.DueMs.reset();
    }
    return due;
}

std::optional<std::int64_t> TPortWatch::EarliestDue() const {
    std::optional<std::int64_t> earliest;
    for (const TEntry& e : ports_)
        if (e.Role == TPortRole::Logger && e.DueMs && (!earliest || *e.DueMs < *earliest)) earliest = e.DueMs;
    return earliest;
}

TPortRole TPortWatch::Role(const std::string& name) const {
    const TEntry* e = Find(name);
    return e ? e->Role : TPortRole::Unprobed;
}

std::optional<std::int64_t> ReadingDueMs(std::int64_t index, TDateTime recStart, std::int64_t intervalSeconds,
                                         TDateTime recStop, TDateTime loggerClockNow, std::int64_t nowMs) {
    if (intervalSeconds <= 0 || index < 0) return std::nullopt;
    // Whole seconds from the start, as the logger counts them; milliseconds to wait from now.
    const double takenAt = recStart + static_cast<double>(index * intervalSeconds) / 86400.0;
    if (recStop != 0 && std::llround((takenAt - recStop) * 86400000.0) > 0) return std::nullopt;
    const std::int64_t waitMs = std::llround((takenAt - loggerClockNow) * 86400000.0);
    return nowMs + std::max<std::int64_t>(waitMs, 0);
}

}  // namespace cli

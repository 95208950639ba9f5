#include "cli/archive_report.h"

#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "archive/full_time_text.h"
#include "base/logger_format.h"

namespace cli {

using namespace archive;

namespace {

std::string TimeText(TDateTime t) { return archive::FullTimeText(t); }

std::string OptionalTimeText(const std::optional<TDateTime>& t) { return t ? TimeText(*t) : "-"; }

std::string UtcText(std::int64_t unixSeconds) {
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string IntervalText(std::int64_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

const char* EndingText(TDownloadEnd ending) {
    switch (ending) {
        case TDownloadEnd::RangeCovered: return "range covered";
        case TDownloadEnd::StoppedByUser: return "stopped";
        case TDownloadEnd::LoggerSilent: return "the logger stopped answering";
        case TDownloadEnd::PortFailure: return "port error";
        case TDownloadEnd::NotStarted: return "recording not started";
    }
    return "";
}

std::string RangesText(const std::vector<TIndexRange>& ranges) {
    std::string text;
    for (const TIndexRange& r : ranges) {
        if (!text.empty()) text += ", ";
        text += r.First == r.Last ? std::to_string(r.First) : std::to_string(r.First) + "-" + std::to_string(r.Last);
    }
    return text.empty() ? "none" : text;
}

}  // namespace

std::string ArchiveErrorKindText(TArchiveErrorKind kind) {
    switch (kind) {
        case TArchiveErrorKind::NotADatabase: return "not a database";
        case TArchiveErrorKind::Damaged: return "damaged or not an archive";
        case TArchiveErrorKind::ReadOnly: return "read-only";
        case TArchiveErrorKind::DiskFull: return "disk full";
        case TArchiveErrorKind::Locked: return "locked by another program";
        case TArchiveErrorKind::Other: return "error";
    }
    return "error";
}

std::string ArchiveErrorText(const EArchiveError& error) {
    return (error.Path().empty() ? std::string() : error.Path() + ": ") + ArchiveErrorKindText(error.Kind()) + " (" +
           error.Message() + ")";
}

std::string FormatRecordingsText(const std::vector<TRecordingSummary>& recordings) {
    std::string text =
        "id\tmodel\tstart\tinterval\treadings\tfirst\tlast\tlast download\tdamaged\tmissing\tconflicts\tdownloads\n";
    for (const TRecordingSummary& r : recordings) {
        text += std::to_string(r.Id) + "\t" + r.Key.Model + "\t" + TimeText(r.Key.Start) + "\t" +
                IntervalText(r.Key.IntervalSeconds) + "\t" + std::to_string(r.Readings) + "\t" +
                OptionalTimeText(r.First) + "\t" + OptionalTimeText(r.Last) + "\t" +
                (r.LastDownloadUnix ? UtcText(*r.LastDownloadUnix) : "-") + "\t" + std::to_string(r.Damaged) + "\t" +
                std::to_string(r.Missing) + "\t" + std::to_string(r.Conflicts) + "\t" + std::to_string(r.Downloads) +
                "\n";
    }
    return text;
}

std::string FormatRecordingsJson(const std::vector<TRecordingSummary>& recordings) {
    using nlohmann::ordered_json;
    ordered_json list = ordered_json::array();
    const auto time = [](const std::optional<TDateTime>& t) { return t ? ordered_json(TimeText(*t)) : ordered_json(); };
    for (const TRecordingSummary& r : recordings) {
        list.push_back(ordered_json{
            {"id", r.Id},
            {"model", r.Key.Model},
            {"start", TimeText(r.Key.Start)},
            {"interval_s", r.Key.IntervalSeconds},
            {"readings", r.Readings},
            {"first", time(r.First)},
            {"last", time(r.Last)},
            {"last_download", r.LastDownloadUnix ? ordered_json(UtcText(*r.LastDownloadUnix)) : ordered_json()},
            {"damaged", r.Damaged},
            {"missing", r.Missing},
            {"conflicts", r.Conflicts},
            {"downloads", r.Downloads},
        });
    }
    return list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string FormatRecordingText(TArchive& archive, const TRecordingSummary& r) {
    std::string text;
    text += "Recording " + std::to_string(r.Id) + ": " + r.Key.Model + ", start " + TimeText(r.Key.Start) +
            ", interval " + IntervalText(r.Key.IntervalSeconds) + "\n";
    text += "Readings: " + std::to_string(r.Readings) + " (" + OptionalTimeText(r.First) + " to " +
            OptionalTimeText(r.Last) + "), damaged " + std::to_string(r.Damaged) + ", missing " +
            std::to_string(r.Missing) + ", conflicts " + std::to_string(r.Conflicts) + "\n";
    text += "Downloads: " + std::to_string(r.Downloads) + "\n";
    for (const TDownloadRecord& d : archive.Downloads(r.Id)) {
        text += "  " + std::to_string(d.Id) + "\t" + UtcText(d.Info.Actor.WhenUnix) + "\t" + d.Info.Actor.User + "@" +
                d.Info.Actor.Computer + "\t" + d.Info.Actor.ProgramVersion + "\t" + d.Info.Port + "\treadings " +
                std::to_string(d.Info.Range.First) + "-" + std::to_string(d.Info.Range.End) + "\tadded " +
                std::to_string(d.ReadingsAdded) + "\t";
        if (!d.Report) {
            text += "interrupted";
        } else {
            const TDownloadReport& rep = *d.Report;
            text += std::string(EndingText(rep.Ending)) + ", received " + std::to_string(rep.LinesReceived) +
                    ", stored " + std::to_string(rep.ReadingsStored) + ", repeats " +
                    std::to_string(rep.RepeatsDropped) + ", asked again " + std::to_string(rep.Rerequested) +
                    ", damaged kept " + std::to_string(rep.DamagedKept.size()) + ", off-time kept " +
                    std::to_string(rep.OffTimeKept.size()) + ", not received " + std::to_string(rep.Missing.size());
            if (rep.Ending == TDownloadEnd::PortFailure) text += " (" + rep.PortErrorText + ")";
        }
        if (d.ClockOffsetSeconds)
            text += "\tclock " + std::string(*d.ClockOffsetSeconds >= 0 ? "+" : "") +
                    std::to_string(*d.ClockOffsetSeconds) + " s";
        text += "\n";
    }
    text += "Gaps: " + RangesText(archive.Gaps(r.Id)) + "\n";
    const auto damaged = archive.DamagedReadings(r.Id);
    text += "Damaged: " + std::to_string(damaged.size()) + "\n";
    for (const TReadingIssue& i : damaged)
        text += "  " + std::to_string(i.Index) + "\t" + (i.Held.State == TReadingState::OffTime ? "off-time" : "damaged") +
                "\t" + i.Held.Line + "\n";
    const auto conflicts = archive.Conflicts(r.Id);
    text += "Conflicts: " + std::to_string(conflicts.size()) + "\n";
    for (const TReadingIssue& i : conflicts)
        text += "  " + std::to_string(i.Index) + "\tarchived\t" + i.Held.Line + "\n  " + std::to_string(i.Index) +
                "\tother\t" + (i.Other ? i.Other->Line : std::string()) + "\n";
    return text;
}

std::string FormatVerifyText(const TVerifyResult& result, TArchive& archive) {
    std::string text;
    for (const TFinding& f : result.Findings) {
        std::string name = FindingName(f.Kind);
        const std::size_t blank = name.find(' ');
        text += name.substr(0, blank) + " " + std::to_string(f.Id) + name.substr(blank) + "\n";
    }
    for (const TRecordingSummary& r : archive.Recordings())
        for (const TReadingIssue& i : archive.Conflicts(r.Id))
            text += "conflict: recording " + std::to_string(r.Id) + " reading " + std::to_string(i.Index) + "\n";
    text += std::string(result.Sound() ? "ok" : "not sound") + ": " + std::to_string(result.Readings) +
            " readings, " + std::to_string(result.Events) + " events, head " + result.HeadHex + "\n";
    return text;
}

}  // namespace cli

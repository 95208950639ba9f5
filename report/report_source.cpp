#include "report/report_source.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>

#include "archive/archive_error.h"
#include "archive/archive_event.h"
#include "archive/sha256.h"
#include "base/atomic_file.h"
#include "data/data_file.h"
#include "data/local_time_zone.h"

namespace report {
namespace {

// The zone's name as the C library takes it: $TZ, else the link /etc/localtime points through.
std::string ZoneName() {
    if (const char* tz = std::getenv("TZ"); tz && *tz) return *tz == ':' ? tz + 1 : tz;
    char target[PATH_MAX];
    const ssize_t n = ::readlink("/etc/localtime", target, sizeof target - 1);
    if (n > 0) {
        const std::string path(target, static_cast<std::size_t>(n));
        const std::size_t at = path.find("zoneinfo/");
        if (at != std::string::npos) return path.substr(at + 9);
    }
    std::ifstream file("/etc/timezone");
    std::string name;
    if (std::getline(file, name) && !name.empty()) return name;
    return "localtime";
}

std::vector<std::int32_t> OffsetsOf(const std::vector<readings::TReading>& rs) {
    readings::TLocalTimeZone zone;
    std::set<std::int32_t> offsets;
    for (const readings::TReading& r : rs) offsets.insert(zone.OffsetOf(readings::LocalSecondsOf(r.Time)).OffsetSeconds);
    return {offsets.begin(), offsets.end()};
}

// What both sources share once the range's readings are known.
void Evaluate(TReportModel& m, const TReportRequest& request, std::optional<std::int64_t> interval) {
    readings::TStatisticsOptions options;
    options.IntervalSeconds = interval;
    m.Statistics = readings::ComputeStatistics(m.Readings, options);
    const std::vector<std::size_t> order = readings::TimeOrder(m.Readings);
    const std::optional<std::int64_t> used = m.Statistics.Gaps.IntervalSeconds;
    m.Profile = request.Profile;
    m.ProfileResult = readings::EvaluateProfile(m.Readings, order, used, m.Profile);
    if (request.MktWindowSeconds) {
        m.RollingMkt1 = readings::HighestRollingMkt(m.Readings, order, &readings::TReading::Channel1, used,
                                                    *request.MktWindowSeconds);
        m.RollingMkt2 = readings::HighestRollingMkt(m.Readings, order, &readings::TReading::Channel2, used,
                                                    *request.MktWindowSeconds);
    }
    m.ZoneName = ZoneName();
    m.OffsetsUsed = OffsetsOf(m.Readings);
}

TReportModel Begin(const TReportRequest& request) {
    TReportModel m;
    m.Program = request.Program;
    const archive::TActor now = archive::TActor::Current(request.Program);
    m.MadeUnix = now.WhenUnix;
    m.MadeOffsetSeconds = now.UtcOffsetSeconds;
    m.From = request.From;
    m.To = request.To;
    return m;
}

bool InRange(TDateTime t, const TReportRequest& request) {
    const std::int64_t s = readings::ReadingSeconds(t);
    return (!request.From || s >= readings::ReadingSeconds(*request.From)) &&
           (!request.To || s <= readings::ReadingSeconds(*request.To));
}

}  // namespace

TReportModel BuildFileReport(const std::string& path, const TReportRequest& request) {
    TReportModel m = Begin(request);
    const std::string bytes = ReadWholeFile(path);
    archive::TSha256 sha;
    sha.Add(bytes);
    m.FileName = path.substr(path.find_last_of('/') + 1);
    m.FileSha256Hex = archive::HexOf(sha.Finish());

    const TLineStore lines = readings::SplitTextLines(bytes);
    const std::vector<readings::TReading> all = readings::ReadReadings(lines);
    std::size_t firstLine = SIZE_MAX, lastLine = 0;
    for (const readings::TReading& r : all) {
        if (!InRange(r.Time, request)) continue;
        m.Readings.push_back(r);
        firstLine = std::min(firstLine, r.Line);
        lastLine = std::max(lastLine, r.Line);
    }
    Evaluate(m, request, std::nullopt);

    TCompleteness& c = m.Completeness;
    std::vector<bool> isReading(lines.Count(), false);
    for (const readings::TReading& r : m.Readings) {
        isReading[r.Line] = true;
        sha.Add(lines[r.Line]);
        sha.Add("\r\n");
        if (readings::HasValue(r.Channel1) && readings::HasValue(r.Channel2))
            ++c.Present;
        else
            ++c.Damaged;  // a reading with a channel that does not convert
    }
    m.DataSha256Hex = archive::HexOf(sha.Finish());
    // A line among the range's readings that is no reading at all is a damaged one.
    for (std::size_t i = firstLine; i <= lastLine && firstLine != SIZE_MAX; ++i)
        if (!isReading[i] && !lines[i].empty()) ++c.Damaged;
    const readings::TReadingGaps& gaps = m.Statistics.Gaps;
    c.OffTime = static_cast<std::int64_t>(gaps.OutOfOrder.size());
    c.NotReceived = gaps.MissingReadings;
    if (gaps.IntervalSeconds && m.Statistics.First && m.Statistics.Last) {
        const std::int64_t interval = *gaps.IntervalSeconds;
        c.Expected = SecondsBetween(*m.Statistics.First, *m.Statistics.Last) / interval + 1;
        for (const readings::TReadingGap& g : gaps.Gaps)
            c.Missing.push_back({g.Before + SecondsToDays(static_cast<double>(interval)),
                                 g.Before + SecondsToDays(static_cast<double>(interval * g.Missing)), g.Missing});
    } else if (!m.Readings.empty()) {
        c.Expected = static_cast<std::int64_t>(m.Readings.size());
    }
    return m;
}

TReportModel BuildRecordingReport(archive::TArchive& store, std::int64_t recordingId, const TReportRequest& request) {
    TReportModel m = Begin(request);
    m.Recording = store.Recording(recordingId);
    if (!m.Recording)
        throw archive::EArchiveError(archive::TArchiveErrorKind::Other, store.Location(),
                                     "no recording " + std::to_string(recordingId));
    m.Downloads = store.Downloads(recordingId);
    m.Verify = store.Verify();
    const archive::TRecordingKey& key = m.Recording->Key;
    const std::int64_t interval = key.IntervalSeconds;
    std::optional<std::int64_t> held;  // readings the logger held at its latest download
    for (const archive::TDownloadRecord& d : m.Downloads) {
        if (d.Info.Status.RecStop && *d.Info.Status.RecStop != 0) m.RecordingStop = d.Info.Status.RecStop;
        if (const auto count = archive::HeldReadingCount(d.Info.Status)) held = std::max(held.value_or(0), *count);
        if (d.Report) m.Completeness.Rerequested += d.Report->Rerequested;
    }

    const std::vector<archive::TArchivedReading> rows = store.Readings(recordingId);
    // The range as indices: reading n is taken at start + n x interval.
    const auto indexAt = [&](TDateTime t) { return static_cast<double>(SecondsBetween(key.Start, t)) / interval; };
    std::int64_t first = request.From ? std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(indexAt(*request.From)))) : 0;
    std::int64_t last = rows.empty() ? -1 : rows.back().Index;
    if (held) last = std::max(last, *held - 1);
    if (request.To) last = std::min(last, static_cast<std::int64_t>(std::floor(indexAt(*request.To))));

    TCompleteness& c = m.Completeness;
    archive::TSha256 sha;
    TLineStore kept;
    std::int64_t next = first;  // the next index expected
    const auto missingUpTo = [&](std::int64_t end) {
        if (end <= next) return;
        const auto timeOf = [&](std::int64_t i) { return key.Start + SecondsToDays(static_cast<double>(i * interval)); };
        c.Missing.push_back({timeOf(next), timeOf(end - 1), end - next});
        c.NotReceived += end - next;
    };
    for (const archive::TArchivedReading& row : rows) {
        if (row.Index < first || row.Index > last) continue;
        missingUpTo(row.Index);
        next = row.Index + 1;
        sha.Add(row.Line);
        sha.Add("\r\n");
        if (row.State == TReadingState::Clean) ++c.Present;
        if (row.State == TReadingState::Damaged) ++c.Damaged;
        if (row.State == TReadingState::OffTime) ++c.OffTime;
        // The statistics take what a data file of these lines gives: a time and a channel.
        if (readings::TReading r; row.Time) {
            r.Time = *row.Time;
            r.Channel1 = row.Channel1;
            r.Channel2 = row.Channel2;
            r.Line = m.Readings.size();
            if (readings::HasValue(r.Channel1) || readings::HasValue(r.Channel2)) m.Readings.push_back(r);
        }
    }
    missingUpTo(last + 1);
    c.Expected = last >= first ? last - first + 1 : 0;
    m.DataSha256Hex = archive::HexOf(sha.Finish());
    Evaluate(m, request, interval);
    return m;
}

}  // namespace report

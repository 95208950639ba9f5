#include "logger/download_report.h"

std::string IndexListText(const std::vector<std::int64_t>& indices, std::size_t most) {
    std::string text;
    for (std::size_t i = 0; i < indices.size() && i < most; ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(indices[i]);
    }
    if (indices.size() > most) text += " and " + std::to_string(indices.size() - most) + " more";
    return text;
}

std::vector<TDownloadShortfall> DownloadShortfalls(const TDownloadReport& report) {
    using TKind = TDownloadShortfall::TKind;
    std::vector<TDownloadShortfall> shortfalls;
    const auto add = [&](TKind kind, const std::vector<std::int64_t>& readings = {}) {
        TDownloadShortfall s;
        s.Kind = kind;
        s.Next = report.Next;
        s.End = report.End;
        s.Readings = readings;
        if (kind == TKind::PortFailure) {
            s.PortError = report.PortError;
            s.PortErrorText = report.PortErrorText;
        }
        shortfalls.push_back(std::move(s));
    };
    switch (report.Ending) {
        case TDownloadEnd::PortFailure:
            add(TKind::PortFailure);
            break;
        case TDownloadEnd::StoppedByUser:
            add(TKind::StoppedByUser);
            break;
        case TDownloadEnd::LoggerSilent:
            add(TKind::LoggerSilent);
            break;
        case TDownloadEnd::NotStarted:
            add(TKind::NotStarted);
            break;
        case TDownloadEnd::RangeCovered:
            break;
    }
    if (!report.Missing.empty()) add(TKind::Missing, report.Missing);
    if (!report.DamagedKept.empty()) add(TKind::DamagedKept, report.DamagedKept);
    if (!report.OffTimeKept.empty()) add(TKind::OffTimeKept, report.OffTimeKept);
    return shortfalls;
}

void AppendDownloadReport(TDownloadReport& whole, const TDownloadReport& later) {
    whole.End = later.End;
    whole.Next = later.Next;
    whole.LinesReceived += later.LinesReceived;
    whole.ReadingsStored += later.ReadingsStored;
    whole.RepeatsDropped += later.RepeatsDropped;
    whole.Rerequested += later.Rerequested;
    whole.NoiseDropped += later.NoiseDropped;
    whole.ReadingsBehindNoise += later.ReadingsBehindNoise;
    whole.DamagedKept.insert(whole.DamagedKept.end(), later.DamagedKept.begin(), later.DamagedKept.end());
    whole.OffTimeKept.insert(whole.OffTimeKept.end(), later.OffTimeKept.begin(), later.OffTimeKept.end());
    whole.Missing.insert(whole.Missing.end(), later.Missing.begin(), later.Missing.end());
    whole.Ending = later.Ending;
    whole.PortError = later.PortError;
    whole.PortErrorText = later.PortErrorText;
}

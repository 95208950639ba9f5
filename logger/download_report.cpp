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

#include "archive/event_json.h"

#include <nlohmann/json.hpp>

#include "archive/archive_error.h"

namespace archive {

using nlohmann::json;

namespace {

const char* EndingName(TDownloadEnd ending) {
    switch (ending) {
        case TDownloadEnd::RangeCovered: return "range_covered";
        case TDownloadEnd::StoppedByUser: return "stopped_by_user";
        case TDownloadEnd::LoggerSilent: return "logger_silent";
        case TDownloadEnd::PortFailure: return "port_failure";
        case TDownloadEnd::NotStarted: return "not_started";
    }
    return "";
}

TDownloadEnd EndingFromName(const std::string& name) {
    for (TDownloadEnd e : {TDownloadEnd::RangeCovered, TDownloadEnd::StoppedByUser, TDownloadEnd::LoggerSilent,
                           TDownloadEnd::PortFailure, TDownloadEnd::NotStarted})
        if (name == EndingName(e)) return e;
    throw json::other_error::create(501, "unknown ending", nullptr);
}

// Day counts are kept as they are: JSON numbers print a double so that it reads back exactly.
json OptionalTime(const std::optional<TDateTime>& t) { return t ? json(*t) : json(nullptr); }
std::optional<TDateTime> OptionalTimeOf(const json& j) {
    if (j.is_null()) return std::nullopt;
    return j.get<double>();
}

json ReportJson(const TDownloadReport& r) {
    return json{{"first", r.First},
                {"end", r.End},
                {"next", r.Next},
                {"lines_received", r.LinesReceived},
                {"readings_stored", r.ReadingsStored},
                {"repeats_dropped", r.RepeatsDropped},
                {"rerequested", r.Rerequested},
                {"damaged_kept", r.DamagedKept},
                {"off_time_kept", r.OffTimeKept},
                {"missing", r.Missing},
                {"ending", EndingName(r.Ending)},
                {"port_error", r.PortError},
                {"port_error_text", BytesToUtf8(r.PortErrorText)}};
}

TDownloadReport ReportOf(const json& j) {
    TDownloadReport r;
    r.First = j.at("first").get<std::int64_t>();
    r.End = j.at("end").get<std::int64_t>();
    r.Next = j.at("next").get<std::int64_t>();
    r.LinesReceived = j.at("lines_received").get<std::int64_t>();
    r.ReadingsStored = j.at("readings_stored").get<std::int64_t>();
    r.RepeatsDropped = j.at("repeats_dropped").get<std::int64_t>();
    r.Rerequested = j.at("rerequested").get<std::int64_t>();
    r.DamagedKept = j.at("damaged_kept").get<std::vector<std::int64_t>>();
    r.OffTimeKept = j.at("off_time_kept").get<std::vector<std::int64_t>>();
    r.Missing = j.at("missing").get<std::vector<std::int64_t>>();
    r.Ending = EndingFromName(j.at("ending").get<std::string>());
    r.PortError = j.at("port_error").get<std::int32_t>();
    r.PortErrorText = Utf8ToBytes(j.at("port_error_text").get<std::string>());
    return r;
}

json KeyJson(const TRecordingKey& k) {
    return json{{"model", k.Model}, {"start", k.Start}, {"interval_s", k.IntervalSeconds}};
}

struct TToJson {
    json operator()(const TDownloadEnded& e) const { return json{{"report", ReportJson(e.Report)}}; }
    json operator()(const TRecordingStarted& e) const {
        return json{{"model", e.Model},       {"port", e.Port}, {"clock_set", e.ClockSet},
                    {"start", e.Start},       {"stop", e.Stop}, {"interval_s", e.IntervalSeconds}};
    }
    json operator()(const TLoggerErased& e) const {
        return json{{"model", e.Model},
                    {"port", e.Port},
                    {"recording", e.Recording ? KeyJson(*e.Recording) : json(nullptr)},
                    {"held_readings", e.HeldReadings ? json(*e.HeldReadings) : json(nullptr)},
                    {"unarchived_readings", e.UnarchivedReadings}};
    }
    json operator()(const TReadingsImported& e) const {
        return json{{"file", e.File}, {"lines", e.Lines}, {"added", e.Added}, {"skipped", e.Skipped}};
    }
    json operator()(const TReadingsExported& e) const {
        return json{{"file", e.File}, {"format", e.Format}, {"utc", e.Utc}, {"readings", e.Readings}};
    }
    json operator()(const TReportMade& e) const {
        return json{{"from", OptionalTime(e.From)}, {"to", OptionalTime(e.To)}, {"profile", e.Profile},
                    {"file", e.File},               {"sha256", e.Sha256Hex}};
    }
    json operator()(const TReadingReplaced& e) const {
        return json{{"index", e.Index},
                    {"old_line", BytesToUtf8(e.OldLine)},
                    {"new_line", BytesToUtf8(e.NewLine)},
                    {"old_state", static_cast<int>(e.OldState)}};
    }
    json operator()(const TReadingConflict& e) const {
        return json{
            {"index", e.Index}, {"archived_line", BytesToUtf8(e.ArchivedLine)}, {"new_line", BytesToUtf8(e.NewLine)}};
    }
};

TEventDetails FromJson(TEventKind kind, const json& j) {
    switch (kind) {
        case TEventKind::Download: return TDownloadEnded{ReportOf(j.at("report"))};
        case TEventKind::Start:
            return TRecordingStarted{j.at("model").get<std::string>(),    j.at("port").get<std::string>(),
                                     j.at("clock_set").get<double>(),     j.at("start").get<double>(),
                                     j.at("stop").get<double>(),          j.at("interval_s").get<std::int64_t>()};
        case TEventKind::Erase: {
            TLoggerErased e;
            e.Model = j.at("model").get<std::string>();
            e.Port = j.at("port").get<std::string>();
            if (const json& k = j.at("recording"); !k.is_null())
                e.Recording = TRecordingKey{k.at("model").get<std::string>(), k.at("start").get<double>(),
                                            k.at("interval_s").get<std::int64_t>()};
            if (const json& h = j.at("held_readings"); !h.is_null()) e.HeldReadings = h.get<std::int64_t>();
            e.UnarchivedReadings = j.at("unarchived_readings").get<std::int64_t>();
            return e;
        }
        case TEventKind::Import:
            return TReadingsImported{j.at("file").get<std::string>(), j.at("lines").get<std::int64_t>(),
                                     j.at("added").get<std::int64_t>(), j.at("skipped").get<std::int64_t>()};
        case TEventKind::Export:
            return TReadingsExported{j.at("file").get<std::string>(), j.at("format").get<std::string>(),
                                     j.at("utc").get<bool>(), j.at("readings").get<std::int64_t>()};
        case TEventKind::Report:
            return TReportMade{OptionalTimeOf(j.at("from")), OptionalTimeOf(j.at("to")),
                               j.at("profile").get<std::string>(), j.at("file").get<std::string>(),
                               j.at("sha256").get<std::string>()};
        case TEventKind::Replaced:
            return TReadingReplaced{j.at("index").get<std::int64_t>(), Utf8ToBytes(j.at("old_line").get<std::string>()),
                                    Utf8ToBytes(j.at("new_line").get<std::string>()),
                                    static_cast<TReadingState>(j.at("old_state").get<int>())};
        case TEventKind::Conflict:
            return TReadingConflict{j.at("index").get<std::int64_t>(),
                                    Utf8ToBytes(j.at("archived_line").get<std::string>()),
                                    Utf8ToBytes(j.at("new_line").get<std::string>())};
    }
    throw json::other_error::create(501, "unknown kind", nullptr);
}

}  // namespace

std::string DetailsJson(const TEventDetails& details) { return std::visit(TToJson{}, details).dump(-1, ' ', true); }

TEventDetails DetailsFromJson(TEventKind kind, std::string_view text) {
    try {
        return FromJson(kind, json::parse(text));
    } catch (const json::exception& e) {
        throw EArchiveError(TArchiveErrorKind::Damaged, "", std::string("event details do not read: ") + e.what());
    }
}

bool EventKindFromName(std::string_view name, TEventKind& kind) {
    for (int i = 0; i <= static_cast<int>(TEventKind::Conflict); ++i) {
        if (name == EventKindName(static_cast<TEventKind>(i))) {
            kind = static_cast<TEventKind>(i);
            return true;
        }
    }
    return false;
}

std::string BytesToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string Utf8ToBytes(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            const unsigned value = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
            out.push_back(value <= 0xFF ? static_cast<char>(value) : '?');
        } else {
            // A longer sequence: a code point beyond U+00FF.
            while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) ++i;
            out.push_back('?');
        }
    }
    return out;
}

}  // namespace archive

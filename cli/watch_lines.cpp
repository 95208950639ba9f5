#include "cli/watch_lines.h"

#include <nlohmann/json.hpp>

#include "archive/full_time_text.h"
#include "base/cp1250.h"
#include "cli/archive_report.h"
#include "cli/json_text.h"
#include "data/reading_line.h"
#include "data/temperature_text.h"
#include "serial/port_diagnosis_text.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

std::string TimeText(TDateTime t) { return archive::FullTimeText(t); }

std::string Signed(std::int64_t n) { return (n >= 0 ? "+" : "") + std::to_string(n); }

std::string Of(const std::string& model, const std::string& port) { return Cp1250ToUtf8(model) + " on " + port; }

// A reading line's time and temperatures, as far as they convert.
struct TReadingValues {
    std::optional<TDateTime> Time;
    std::optional<double> T1, T2;
};

TReadingValues ValuesOf(const std::string& line) {
    TReadingValues v;
    const readings::TReadingFields fields = readings::SplitReadingLine(line);
    TDateTime time = 0;
    if (readings::ParseReadingTime(fields.Time, LoggerFormat(), time)) v.Time = time;
    double t = 0;
    if (readings::ParseTemperature(fields.Channel1, t)) v.T1 = t;
    if (readings::ParseTemperature(fields.Channel2, t)) v.T2 = t;
    return v;
}

std::string TemperatureOrNone(const std::optional<double>& t) {
    return t ? readings::TemperatureText(static_cast<float>(*t)) : "---";
}

Json JsonTemperature(const std::optional<double>& t) {
    if (!t) return Json();
    // The shortest text of the float the reading is held in, read back: 21.3 stays 21.3.
    return std::stod(readings::TemperatureText(static_cast<float>(*t)));
}

template <class T>
Json JsonOptional(const std::optional<T>& value) {
    return value ? Json(*value) : Json();
}

std::string RuleText(const readings::TAlarmRule& rule) {
    std::string text = std::string(readings::CompareWord(rule.Compare)) + " " +
                       readings::TemperatureText(static_cast<float>(rule.Limit)) + " " +
                       std::string(readings::KindWord(rule.Kind));
    if (rule.Kind != readings::TRuleKind::Single) text += " " + readings::DurationText(rule.DurationSeconds);
    return text;
}

// How a download fell short, in the words of the download command's messages.
std::string ShortfallText(const TReadingsDownloaded& e) {
    std::string text;
    const auto add = [&](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    for (const TDownloadShortfall& s : DownloadShortfalls(e.Report)) {
        const std::string missed = s.Next <= s.End ? ", readings " + std::to_string(s.Next) + " to " +
                                                         std::to_string(s.End) + " not received"
                                                   : std::string();
        using TKind = TDownloadShortfall::TKind;
        switch (s.Kind) {
            case TKind::PortFailure:
                add("the port failed (" + s.PortErrorText + ")" + missed);
                break;
            case TKind::StoppedByUser:
                add("stopped" + missed);
                break;
            case TKind::LoggerSilent:
                add("the logger stopped answering at reading " + std::to_string(s.Next) + missed);
                break;
            case TKind::NotStarted:
                break;
            case TKind::Missing:
                add("readings not received: " + IndexListText(s.Readings, 20));
                break;
            case TKind::DamagedKept:
                add("damaged readings kept: " + IndexListText(s.Readings, 20));
                break;
            case TKind::OffTimeKept:
                add("readings kept off their time: " + IndexListText(s.Readings, 20));
                break;
        }
    }
    return text;
}

const char* EndingWord(TDownloadEnd ending) {
    switch (ending) {
        case TDownloadEnd::RangeCovered:
            return "covered";
        case TDownloadEnd::StoppedByUser:
            return "stopped";
        case TDownloadEnd::LoggerSilent:
            return "logger_silent";
        case TDownloadEnd::PortFailure:
            return "port_failure";
        case TDownloadEnd::NotStarted:
            return "not_started";
    }
    return "";
}

const char* TroubleWord(TPortTrouble trouble) {
    switch (trouble) {
        case TPortTrouble::NoPermission:
            return "no_permission";
        case TPortTrouble::Busy:
            return "busy";
        case TPortTrouble::Gone:
            return "gone";
        case TPortTrouble::Other:
            break;
    }
    return "other";
}

struct TTextOf {
    std::string operator()(const TWatchStarted& e) const {
        return std::string("watching for loggers") + (e.Follow ? " (following their recordings)" : "") +
               "; archive " + e.Archive;
    }
    std::string operator()(const TLoggerFound& e) const {
        std::string text = "found " + Of(e.Model, e.Port) + ": recording from " + TimeText(e.Start) + " every " +
                           std::to_string(e.IntervalSeconds) + " s, stop " + TimeText(e.Stop);
        if (e.ClockOffsetSeconds) text += ", clock " + Signed(*e.ClockOffsetSeconds) + " s";
        if (e.BatteryMv) text += ", battery " + std::to_string(*e.BatteryMv) + " mV";
        return text;
    }
    std::string operator()(const TOtherDevice& e) const {
        return "port " + e.Port + ": not a logger (" +
               (e.Answer.empty() ? std::string("no answer") : "answered " + JsonString(Cp1250ToUtf8(e.Answer))) +
               "), left alone until it goes";
    }
    std::string operator()(const TPortUnavailable& e) const { return PortDiagnosisText(e.Diagnosis); }
    std::string operator()(const TLoggerTrouble& e) const { return "cannot download " + Of(e.Model, e.Port) + ": " + e.Reason; }
    std::string operator()(const TReadingsDownloaded& e) const {
        if (e.NotStarted) return "nothing to download from " + Of(e.Model, e.Port) + ": the recording has not begun";
        std::string text = "downloaded " + std::to_string(e.Report.ReadingsStored) + " of " + std::to_string(e.Wanted) +
                           " readings wanted from " + Of(e.Model, e.Port);
        if (e.Wanted > 0)
            text += " (readings " + std::to_string(e.Report.First) + " to " + std::to_string(e.Report.End) + ")";
        const std::string shortfall = ShortfallText(e);
        text += shortfall.empty() ? ", complete" : ", incomplete: " + shortfall;
        if (e.Expected && e.Held)
            text += "; the archive holds " + std::to_string(*e.Held) + " of " + std::to_string(*e.Expected) +
                    (e.RecordingId ? " (recording " + std::to_string(*e.RecordingId) + ")" : std::string());
        return text;
    }
    std::string operator()(const TReadingTaken& e) const {
        const TReadingValues v = ValuesOf(e.Line);
        return "reading " + std::to_string(e.Index) + " of " + Of(e.Model, e.Port) + ": " +
               (v.Time ? TimeText(*v.Time) : std::string("(no time)")) + " " + TemperatureOrNone(v.T1) + " " +
               TemperatureOrNone(v.T2) + " °C";
    }
    std::string operator()(const TNotArchived& e) const {
        return std::to_string(e.Readings) + " readings of " + Of(e.Model, e.Port) +
               " not archived: archive " + ArchiveErrorText(e.Error);
    }
    std::string operator()(const TReportWritten& e) const { return "report of " + Of(e.Model, e.Port) + " written: " + e.File; }
    std::string operator()(const TReportFailed& e) const {
        return "no report of " + Of(e.Model, e.Port) + ": " + e.Reason;
    }
    std::string operator()(const TAlarmTriggered& e) const {
        std::string text = "alarm: " + Of(e.Model, e.Port) + ", profile " + e.Profile + " rule " +
                           std::to_string(e.RuleNumber) + " on channel " + std::to_string(e.Result.Channel) + " (" +
                           RuleText(e.Rule) + (e.Rule.Label.empty() ? "" : ", " + e.Rule.Label) + ") triggered: " +
                           std::to_string(e.Result.Excursions.size()) + (e.Result.Excursions.size() == 1 ? " excursion, " : " excursions, ") +
                           std::to_string(e.Result.SecondsBeyond) + " s beyond";
        if (!e.Result.Excursions.empty()) {
            const readings::TExcursion& last = e.Result.Excursions.back();
            text += ", the last from " + TimeText(last.Start) + " to " + TimeText(last.End) + ", peak " +
                    readings::TemperatureText(last.Peak) + " °C";
        }
        return text;
    }
    std::string operator()(const TLoggerGone& e) const { return "gone: " + Of(e.Model, e.Port); }
    std::string operator()(const TWatchStopped& e) const {
        return "stopped by signal " + std::to_string(e.Signal);
    }
};

struct TJsonOf {
    Json& j;
    void Logger(const std::string& port, const std::string& model) const {
        j["port"] = port;
        j["model"] = Cp1250ToUtf8(model);
    }
    void operator()(const TWatchStarted& e) const {
        j["event"] = "started";
        j["archive"] = e.Archive;
        j["follow"] = e.Follow;
    }
    void operator()(const TLoggerFound& e) const {
        j["event"] = "found";
        Logger(e.Port, e.Model);
        j["start"] = TimeText(e.Start);
        j["stop"] = TimeText(e.Stop);
        j["interval_s"] = e.IntervalSeconds;
        j["clock_offset_s"] = JsonOptional(e.ClockOffsetSeconds);
        j["battery_mv"] = JsonOptional(e.BatteryMv);
    }
    void operator()(const TOtherDevice& e) const {
        j["event"] = "other_device";
        j["port"] = e.Port;
        j["answer"] = e.Answer.empty() ? Json() : Json(Cp1250ToUtf8(e.Answer));
    }
    void operator()(const TPortUnavailable& e) const {
        j["event"] = "port_unavailable";
        j["port"] = e.Diagnosis.PortName;
        j["device"] = e.Diagnosis.DevicePath;
        j["trouble"] = TroubleWord(e.Diagnosis.Trouble);
        j["os_error"] = e.Diagnosis.OsError;
        Json holders = Json::array();
        for (const TPortHolder& h : e.Diagnosis.Holders) holders.push_back({{"pid", h.Pid}, {"program", h.Program}});
        j["holders"] = holders;
        j["text"] = PortDiagnosisText(e.Diagnosis);
    }
    void operator()(const TLoggerTrouble& e) const {
        j["event"] = "logger_trouble";
        Logger(e.Port, e.Model);
        j["reason"] = e.Reason;
    }
    void operator()(const TReadingsDownloaded& e) const {
        j["event"] = "downloaded";
        Logger(e.Port, e.Model);
        j["follow"] = e.Follow;
        j["recording"] = JsonOptional(e.RecordingId);
        j["wanted"] = e.Wanted;
        j["received"] = e.Report.ReadingsStored;
        j["first"] = e.Wanted > 0 ? Json(e.Report.First) : Json();
        j["end"] = e.Wanted > 0 ? Json(e.Report.End) : Json();
        j["ending"] = e.NotStarted ? "not_started" : EndingWord(e.Report.Ending);
        j["complete"] = e.Report.Complete() && !e.NotStarted;
        j["damaged"] = e.Report.DamagedKept;
        j["off_time"] = e.Report.OffTimeKept;
        j["missing"] = e.Report.Missing;
        j["expected"] = JsonOptional(e.Expected);
        j["held"] = JsonOptional(e.Held);
    }
    void operator()(const TReadingTaken& e) const {
        j["event"] = "reading";
        Logger(e.Port, e.Model);
        const TReadingValues v = ValuesOf(e.Line);
        j["index"] = e.Index;
        j["time"] = v.Time ? Json(TimeText(*v.Time)) : Json();
        j["t1"] = JsonTemperature(v.T1);
        j["t2"] = JsonTemperature(v.T2);
        j["line"] = Cp1250ToUtf8(e.Line);
    }
    void operator()(const TNotArchived& e) const {
        j["event"] = "not_archived";
        Logger(e.Port, e.Model);
        j["readings"] = e.Readings;
        j["archive"] = e.Error.Path();
        j["reason"] = ArchiveErrorKindText(e.Error.Kind());
        j["message"] = e.Error.Message();
    }
    void operator()(const TReportWritten& e) const {
        j["event"] = "report";
        Logger(e.Port, e.Model);
        j["file"] = e.File;
    }
    void operator()(const TReportFailed& e) const {
        j["event"] = "report_failed";
        Logger(e.Port, e.Model);
        j["file"] = e.File.empty() ? Json() : Json(e.File);
        j["reason"] = e.Reason;
    }
    void operator()(const TAlarmTriggered& e) const {
        j["event"] = "alarm";
        Logger(e.Port, e.Model);
        j["recording"] = JsonOptional(e.RecordingId);
        j["profile"] = e.Profile;
        j["rule"] = e.RuleNumber;
        j["channel"] = e.Result.Channel;
        j["compare"] = std::string(readings::CompareWord(e.Rule.Compare));
        j["limit"] = JsonTemperature(e.Rule.Limit);
        j["kind"] = std::string(readings::KindWord(e.Rule.Kind));
        j["duration_s"] = e.Rule.DurationSeconds;
        j["label"] = e.Rule.Label;
        j["seconds_beyond"] = e.Result.SecondsBeyond;
        j["excursions"] = e.Result.Excursions.size();
        if (e.Result.Excursions.empty()) {
            j["last_excursion"] = Json();
        } else {
            const readings::TExcursion& x = e.Result.Excursions.back();
            j["last_excursion"] = {{"start", TimeText(x.Start)},
                                   {"end", TimeText(x.End)},
                                   {"seconds", x.Seconds},
                                   {"peak", JsonTemperature(static_cast<double>(x.Peak))},
                                   {"peak_time", TimeText(x.PeakTime)}};
        }
    }
    void operator()(const TLoggerGone& e) const {
        j["event"] = "gone";
        Logger(e.Port, e.Model);
    }
    void operator()(const TWatchStopped& e) const {
        j["event"] = "stopped";
        j["signal"] = e.Signal;
    }
};

}  // namespace

std::string WatchEventWords(const TWatchEvent& event) { return std::visit(TTextOf{}, event); }

std::string WatchEventText(const TWatchEvent& event, TDateTime at) { return TimeText(at) + " " + WatchEventWords(event); }

std::string WatchEventJson(const TWatchEvent& event, TDateTime at) {
    Json j;
    j["event"] = nullptr;  // first key; set by the event
    j["at"] = TimeText(at);
    std::visit(TJsonOf{j}, event);
    return JsonText(j);
}

}  // namespace cli

#include "cli/stats_report.h"

#include <charconv>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/json_text.h"
#include "data/alarm_rule.h"
#include "data/temperature_text.h"

namespace cli {
namespace {

using readings::TChannelStatistics;

std::string TimeText(TDateTime t) {
    const LoggerFormat format;
    return format.DateToText(t) + " " + format.TimeToText(t);
}

std::string Temperature(float value) { return readings::TemperatureText(value); }

// Limits are held as the floats readings are compared in.
std::string Limit(double value) { return Temperature(static_cast<float>(value)); }

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Duration(std::int64_t seconds) {
    return std::to_string(seconds) + " s (" + readings::ClockDurationText(seconds) + ")";
}

std::string Plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A label padded to one column for the values; counted in characters, not bytes ("°" is two).
void Row(std::string& out, const std::string& label, const std::string& value) {
    std::size_t width = 0;
    for (const char c : label) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    out += "  " + label + std::string(width < 22 ? 22 - width : 1, ' ') + value + "\n";
}

void ChannelText(std::string& out, const char* title, const TChannelStatistics& c,
                 const readings::TTemperatureLimits& limits) {
    out += title;
    out += "\n";
    if (c.Count == 0) {
        out += "  No readings\n";
        return;
    }
    Row(out, "Count:", std::to_string(c.Count));
    Row(out, "Minimum:", Temperature(c.Minimum) + " °C at " + TimeText(c.MinimumTime));
    Row(out, "Maximum:", Temperature(c.Maximum) + " °C at " + TimeText(c.MaximumTime));
    Row(out, "Mean:", Fixed(c.Mean, 2) + " °C");
    Row(out, "Standard deviation:", Fixed(c.StandardDeviation, 2) + " °C");
    Row(out, "MKT:", c.MeanKinetic ? Fixed(*c.MeanKinetic, 2) + " °C" : "--- (a value below absolute zero)");
    const auto share = [&](std::int64_t seconds) {
        if (c.SecondsCovered <= 0) return Duration(seconds);
        return Duration(seconds) + ", " + Fixed(100.0 * static_cast<double>(seconds) / c.SecondsCovered, 1) + " %";
    };
    if (limits.Low) Row(out, "Below " + Limit(*limits.Low) + " °C:", share(c.SecondsBelow));
    if (limits.High) Row(out, "Above " + Limit(*limits.High) + " °C:", share(c.SecondsAbove));
}

using Json = nlohmann::ordered_json;

Json JsonTime(const std::optional<TDateTime>& t) { return t ? Json(TimeText(*t)) : Json(); }

// A temperature as its float text, so 21.3 stays 21.3 in the JSON, and 2.0 stays 2.0.
Json JsonTemperature(float value) {
    const std::string text = Temperature(value);
    double parsed = 0;
    std::from_chars(text.data(), text.data() + text.size(), parsed);
    return parsed;
}

Json JsonLimit(const std::optional<double>& value) {
    return value ? JsonTemperature(static_cast<float>(*value)) : Json();
}

Json ChannelJson(const TChannelStatistics& c) {
    Json json;
    json["count"] = c.Count;
    const bool any = c.Count > 0;
    json["min"] = any ? JsonTemperature(c.Minimum) : Json();
    json["min_time"] = any ? Json(TimeText(c.MinimumTime)) : Json();
    json["max"] = any ? JsonTemperature(c.Maximum) : Json();
    json["max_time"] = any ? Json(TimeText(c.MaximumTime)) : Json();
    json["mean"] = any ? JsonNumber(c.Mean) : Json();
    json["stddev"] = any ? JsonNumber(c.StandardDeviation) : Json();
    json["mkt"] = any && c.MeanKinetic ? JsonNumber(*c.MeanKinetic) : Json();
    json["seconds_covered"] = any ? c.SecondsCovered : 0;
    json["seconds_below"] = any ? c.SecondsBelow : 0;
    json["seconds_above"] = any ? c.SecondsAbove : 0;
    return json;
}

void AlarmText(std::string& out, const TStatsReport& r) {
    if (r.Profile) {
        out += "\nProfile:              " + r.Profile->Name + "\n";
        if (r.Alarms.Rules.empty()) out += "  No rules\n";
        for (const readings::TRuleResult& result : r.Alarms.Rules) {
            const readings::TAlarmRule& rule = r.Profile->Rules[result.Rule];
            std::string text = std::string(readings::CompareWord(rule.Compare)) + " " + Limit(rule.Limit) + " °C " +
                               std::string(readings::KindWord(rule.Kind));
            if (rule.Kind != readings::TRuleKind::Single) text += " " + readings::DurationText(rule.DurationSeconds);
            if (!rule.Label.empty()) text += " (" + rule.Label + ")";
            out += "Rule " + std::to_string(result.Rule + 1) + ", channel " + std::to_string(result.Channel) + ": " +
                   text + "\n";
            Row(out, "Triggered:", result.Triggered ? "YES" : "no");
            Row(out, "Time beyond:", Duration(result.SecondsBeyond));
            Row(out, "Excursions:", std::to_string(result.Excursions.size()));
            Row(out, "Longest:", result.Longest ? Duration(result.Excursions[*result.Longest].Seconds) : "---");
            for (const readings::TExcursion& e : result.Excursions)
                out += "    " + TimeText(e.Start) + " to " + TimeText(e.End) + ": " + Duration(e.Seconds) + ", peak " +
                       Temperature(e.Peak) + " °C at " + TimeText(e.PeakTime) + "\n";
        }
    }
    if (!r.Rolling.empty()) {
        out += "\nHighest rolling MKT (" + readings::DurationText(r.Rolling.front().WindowSeconds) + " window)\n";
        for (std::size_t c = 0; c < r.Rolling.size(); ++c) {
            const readings::TRollingMkt& m = r.Rolling[c];
            std::string text = "---";
            if (m.Mkt && m.ShorterThanWindow)
                text = Fixed(*m.Mkt, 2) + " °C of all readings (they span less than the window)";
            else if (m.Mkt)
                text = Fixed(*m.Mkt, 2) + " °C, window from " + TimeText(m.Start);
            Row(out, "Channel " + std::to_string(c + 1) + ":", text);
        }
    }
}

void AlarmJson(Json& json, const TStatsReport& r) {
    if (r.Profile) {
        json["profile"] = r.Profile->Name;
        Json& rules = json["rules"] = Json::array();
        for (const readings::TRuleResult& result : r.Alarms.Rules) {
            const readings::TAlarmRule& rule = r.Profile->Rules[result.Rule];
            Json entry;
            entry["channel"] = result.Channel;
            entry["compare"] = std::string(readings::CompareWord(rule.Compare));
            entry["limit"] = JsonTemperature(static_cast<float>(rule.Limit));
            entry["kind"] = std::string(readings::KindWord(rule.Kind));
            entry["duration_s"] = rule.DurationSeconds;
            entry["label"] = rule.Label;
            entry["triggered"] = result.Triggered;
            entry["seconds_beyond"] = result.SecondsBeyond;
            Json& excursions = entry["excursions"] = Json::array();
            for (const readings::TExcursion& e : result.Excursions)
                excursions.push_back({{"start", TimeText(e.Start)},
                                      {"end", TimeText(e.End)},
                                      {"seconds", e.Seconds},
                                      {"peak", JsonTemperature(e.Peak)},
                                      {"peak_time", TimeText(e.PeakTime)}});
            rules.push_back(std::move(entry));
        }
    }
    if (!r.Rolling.empty()) {
        Json& rolling = json["rolling_mkt"] = Json::array();
        for (std::size_t c = 0; c < r.Rolling.size(); ++c) {
            const readings::TRollingMkt& m = r.Rolling[c];
            rolling.push_back({{"channel", c + 1},
                               {"window_s", m.WindowSeconds},
                               {"mkt", m.Mkt ? JsonNumber(*m.Mkt) : Json()},
                               {"start", m.Mkt ? Json(TimeText(m.Start)) : Json()},
                               {"shorter_than_window", m.ShorterThanWindow}});
        }
    }
}

}  // namespace

std::string FormatStatsText(const TStatsReport& r) {
    const readings::TReadingStatistics& s = r.Statistics;
    const readings::TReadingGaps& g = s.Gaps;
    std::string out;
    out += "File:                 " + r.File + "\n";
    out += "Lines:                " + std::to_string(r.Lines) + " (" + Plural(r.Readings, "reading", "readings") +
           ", " + std::to_string(r.Lines - r.Readings) + " skipped)\n";
    if (r.Options.From || r.Options.To)
        out += "Range:                " + (r.Options.From ? "from " + TimeText(*r.Options.From) : "from the start") +
               (r.Options.To ? " to " + TimeText(*r.Options.To) : " to the end") + "\n";
    out += "Readings taken:       " + std::to_string(s.Readings);
    if (s.First) out += ", " + TimeText(*s.First) + " to " + TimeText(*s.Last);
    out += "\n";
    out += "Interval:             " +
           (g.IntervalSeconds
                ? std::to_string(*g.IntervalSeconds) + " s" + (g.IntervalGiven ? "" : " (most common spacing)")
                : std::string("unknown")) +
           "\n";
    const readings::TTemperatureLimits& limits = r.Options.Limits;
    std::string limitText = limits.Low ? "low " + Limit(*limits.Low) + " °C" : "";
    if (limits.High) limitText += (limitText.empty() ? "" : ", ") + ("high " + Limit(*limits.High) + " °C");
    out += "Limits:               " + (limitText.empty() ? "none" : limitText) + "\n\n";

    ChannelText(out, "Channel 1 (t1_c)", s.Channel1, limits);
    ChannelText(out, "Channel 2 (t2_c)", s.Channel2, limits);

    out += "\nGaps:                 ";
    if (!g.IntervalSeconds) {
        out += "unknown without an interval\n";
    } else {
        out += std::to_string(g.Gaps.size()) + ", " +
               Plural(static_cast<std::size_t>(g.MissingReadings), "reading", "readings") + " missing\n";
        for (const readings::TReadingGap& gap : g.Gaps)
            out += "  " + TimeText(gap.Before) + " to " + TimeText(gap.After) + ": " + std::to_string(gap.Missing) +
                   " missing\n";
    }
    out += "Out of time order:    " + std::to_string(g.OutOfOrder.size()) + "\n";
    for (const readings::TOutOfOrderReading& o : g.OutOfOrder)
        out +=
            "  line " + std::to_string(o.Line + 1) + ": " + TimeText(o.Time) + " after " + TimeText(o.Previous) + "\n";
    out += "Repeated times:       " + std::to_string(g.Repeats.size()) + ", " +
           Plural(g.RepeatedReadings, "extra reading", "extra readings") + "\n";
    for (const readings::TRepeatedTime& repeat : g.Repeats)
        out += "  " + TimeText(repeat.Time) + ": " + std::to_string(repeat.Count) + " readings\n";
    AlarmText(out, r);
    return out;
}

std::string FormatStatsJson(const TStatsReport& r) {
    const readings::TReadingStatistics& s = r.Statistics;
    const readings::TReadingGaps& g = s.Gaps;
    Json json;
    json["file"] = r.File;
    json["lines"] = r.Lines;
    json["readings"] = s.Readings;
    json["skipped_lines"] = r.Lines - r.Readings;
    json["from"] = JsonTime(r.Options.From);
    json["to"] = JsonTime(r.Options.To);
    json["first"] = JsonTime(s.First);
    json["last"] = JsonTime(s.Last);
    json["interval_s"] = g.IntervalSeconds ? Json(*g.IntervalSeconds) : Json();
    json["interval_given"] = g.IntervalGiven;
    json["low_c"] = JsonLimit(r.Options.Limits.Low);
    json["high_c"] = JsonLimit(r.Options.Limits.High);
    json["t1"] = ChannelJson(s.Channel1);
    json["t2"] = ChannelJson(s.Channel2);
    Json& gaps = json["gaps"] = Json::array();
    for (const readings::TReadingGap& gap : g.Gaps)
        gaps.push_back({{"from", TimeText(gap.Before)}, {"to", TimeText(gap.After)}, {"missing", gap.Missing}});
    json["missing_readings"] = g.MissingReadings;
    Json& outOfOrder = json["out_of_order"] = Json::array();
    for (const readings::TOutOfOrderReading& o : g.OutOfOrder)
        outOfOrder.push_back({{"line", o.Line + 1}, {"time", TimeText(o.Time)}, {"previous", TimeText(o.Previous)}});
    Json& repeated = json["repeated"] = Json::array();
    for (const readings::TRepeatedTime& repeat : g.Repeats)
        repeated.push_back({{"time", TimeText(repeat.Time)}, {"count", repeat.Count}});
    json["repeated_readings"] = g.RepeatedReadings;
    AlarmJson(json, r);
    return JsonText(json) + "\n";
}

}  // namespace cli

#include "cli/stats_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "cli/status_report.h"
#include "data/temperature_text.h"

namespace cli {
namespace {

using readings::TChannelStatistics;

std::string TimeText(TDateTime t) {
    const LoggerFormat format;
    return format.DateToText(t) + " " + format.TimeToText(t);
}

std::string Shortest(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
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
    char text[64];
    std::snprintf(text, sizeof text, "%lld s (%lld:%02lld:%02lld)", static_cast<long long>(seconds),
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
    return text;
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

std::string JsonNumber(double value) { return std::isfinite(value) ? Shortest(value) : "null"; }

std::string JsonTime(const std::optional<TDateTime>& t) { return t ? JsonString(TimeText(*t)) : "null"; }

std::string JsonOptional(const std::optional<double>& value) { return value ? JsonNumber(*value) : "null"; }

std::string JsonLimit(const std::optional<double>& value) { return value ? Limit(*value) : "null"; }

std::string ChannelJson(const TChannelStatistics& c) {
    if (c.Count == 0)
        return "{\"count\":0,\"min\":null,\"min_time\":null,\"max\":null,\"max_time\":null,\"mean\":null,"
               "\"stddev\":null,\"mkt\":null,\"seconds_covered\":0,\"seconds_below\":0,\"seconds_above\":0}";
    // The extremes as their float texts, so 21.3 stays 21.3 in the JSON.
    return "{\"count\":" + std::to_string(c.Count) + ",\"min\":" + Temperature(c.Minimum) +
           ",\"min_time\":" + JsonString(TimeText(c.MinimumTime)) + ",\"max\":" + Temperature(c.Maximum) +
           ",\"max_time\":" + JsonString(TimeText(c.MaximumTime)) + ",\"mean\":" + JsonNumber(c.Mean) +
           ",\"stddev\":" + JsonNumber(c.StandardDeviation) + ",\"mkt\":" + JsonOptional(c.MeanKinetic) +
           ",\"seconds_covered\":" + std::to_string(c.SecondsCovered) +
           ",\"seconds_below\":" + std::to_string(c.SecondsBelow) +
           ",\"seconds_above\":" + std::to_string(c.SecondsAbove) + "}";
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
    return out;
}

std::string FormatStatsJson(const TStatsReport& r) {
    const readings::TReadingStatistics& s = r.Statistics;
    const readings::TReadingGaps& g = s.Gaps;
    std::string out =
        "{\"file\":" + JsonString(r.File) + ",\"lines\":" + std::to_string(r.Lines) +
        ",\"readings\":" + std::to_string(s.Readings) + ",\"skipped_lines\":" + std::to_string(r.Lines - r.Readings) +
        ",\"from\":" + JsonTime(r.Options.From) + ",\"to\":" + JsonTime(r.Options.To) +
        ",\"first\":" + JsonTime(s.First) + ",\"last\":" + JsonTime(s.Last) +
        ",\"interval_s\":" + (g.IntervalSeconds ? std::to_string(*g.IntervalSeconds) : "null") +
        ",\"interval_given\":" + (g.IntervalGiven ? "true" : "false") +
        ",\"low_c\":" + JsonLimit(r.Options.Limits.Low) + ",\"high_c\":" + JsonLimit(r.Options.Limits.High) +
        ",\"t1\":" + ChannelJson(s.Channel1) + ",\"t2\":" + ChannelJson(s.Channel2) + ",\"gaps\":[";
    for (std::size_t i = 0; i < g.Gaps.size(); ++i)
        out += std::string(i ? "," : "") + "{\"from\":" + JsonString(TimeText(g.Gaps[i].Before)) +
               ",\"to\":" + JsonString(TimeText(g.Gaps[i].After)) +
               ",\"missing\":" + std::to_string(g.Gaps[i].Missing) + "}";
    out += "],\"missing_readings\":" + std::to_string(g.MissingReadings) + ",\"out_of_order\":[";
    for (std::size_t i = 0; i < g.OutOfOrder.size(); ++i)
        out += std::string(i ? "," : "") + "{\"line\":" + std::to_string(g.OutOfOrder[i].Line + 1) +
               ",\"time\":" + JsonString(TimeText(g.OutOfOrder[i].Time)) +
               ",\"previous\":" + JsonString(TimeText(g.OutOfOrder[i].Previous)) + "}";
    out += "],\"repeated\":[";
    for (std::size_t i = 0; i < g.Repeats.size(); ++i)
        out += std::string(i ? "," : "") + "{\"time\":" + JsonString(TimeText(g.Repeats[i].Time)) +
               ",\"count\":" + std::to_string(g.Repeats[i].Count) + "}";
    out += "],\"repeated_readings\":" + std::to_string(g.RepeatedReadings) + "}\n";
    return out;
}

}  // namespace cli

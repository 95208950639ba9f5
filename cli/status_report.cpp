#include "cli/status_report.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

Json TextOrNull(const std::string& text) { return text.empty() ? Json() : Json(text); }

Json NumberOrNull(const std::optional<std::int64_t>& value) { return value ? Json(*value) : Json(); }

std::string OrDashes(const std::string& text) { return text.empty() ? "---" : text; }

}  // namespace

std::string FormatClockOffset(std::int64_t seconds) {
    const char sign = seconds < 0 ? '-' : '+';
    // Negating the smallest value would overflow; no clock is that far off anyway.
    const std::uint64_t a = seconds < 0 ? 0 - static_cast<std::uint64_t>(seconds) : static_cast<std::uint64_t>(seconds);
    char buf[64];
    if (a < 60)
        std::snprintf(buf, sizeof buf, "%c%llu s", sign, static_cast<unsigned long long>(a));
    else if (a < 3600)
        std::snprintf(buf, sizeof buf, "%c%llu min %02llu s", sign, static_cast<unsigned long long>(a / 60),
                      static_cast<unsigned long long>(a % 60));
    else
        std::snprintf(buf, sizeof buf, "%c%llu h %02llu min %02llu s", sign, static_cast<unsigned long long>(a / 3600),
                      static_cast<unsigned long long>(a / 60 % 60), static_cast<unsigned long long>(a % 60));
    return buf;
}

std::string FormatStatusText(const TStatusReport& r) {
    std::string clock = OrDashes(r.Clock);
    if (!r.Clock.empty() && r.ClockOffsetSeconds)
        clock += " (" + FormatClockOffset(*r.ClockOffsetSeconds) + " from this computer)";
    return "Port:     " + OrDashes(r.Port) + "\n" + "Model:    " + OrDashes(r.Model) + "\n" +
           "Battery:  " + (r.Battery.empty() ? "---" : r.Battery + " mV") + "\n" + "Clock:    " + clock + "\n" +
           "Start:    " + OrDashes(r.Start) + "\n" + "Stop:     " + OrDashes(r.Stop) + "\n" +
           "Interval: " + OrDashes(r.Interval) + "\n";
}

std::string FormatStatusJson(const TStatusReport& r) {
    Json json;
    json["port"] = TextOrNull(r.Port);
    json["model"] = TextOrNull(r.Model);
    json["battery_mv"] = NumberOrNull(r.BatteryMv);
    json["battery"] = TextOrNull(r.Battery.empty() ? r.Battery : r.Battery + " mV");
    json["clock"] = TextOrNull(r.Clock);
    json["clock_offset_s"] = NumberOrNull(r.Clock.empty() ? std::nullopt : r.ClockOffsetSeconds);
    json["start"] = TextOrNull(r.Start);
    json["stop"] = TextOrNull(r.Stop);
    json["interval"] = TextOrNull(r.Interval);
    json["interval_s"] = NumberOrNull(r.Interval.empty() ? std::nullopt : r.IntervalSeconds);
    return JsonText(json) + "\n";
}

}  // namespace cli

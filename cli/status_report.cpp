#include "cli/status_report.h"

#include <cstdio>

namespace cli {
namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a valid one (overlong
// forms, surrogates and code points above U+10FFFF count as invalid).
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    std::size_t len;
    char32_t cp;
    if (b0 < 0x80) return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        len = 2, cp = b0 & 0x1F;
    else if (b0 >= 0xE0 && b0 <= 0xEF)
        len = 3, cp = b0 & 0x0F;
    else if (b0 >= 0xF0 && b0 <= 0xF4)
        len = 4, cp = b0 & 0x07;
    else
        return 0;
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

std::string JsonOrNull(const std::string& text) { return text.empty() ? "null" : JsonString(text); }

std::string JsonOrNull(const std::optional<std::int64_t>& value) { return value ? std::to_string(*value) : "null"; }

std::string OrDashes(const std::string& text) { return text.empty() ? "---" : text; }

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '"':
                out += "\\\"";
                ++i;
                continue;
            case '\\':
                out += "\\\\";
                ++i;
                continue;
            case '\n':
                out += "\\n";
                ++i;
                continue;
            case '\r':
                out += "\\r";
                ++i;
                continue;
            case '\t':
                out += "\\t";
                ++i;
                continue;
            case '\b':
                out += "\\b";
                ++i;
                continue;
            case '\f':
                out += "\\f";
                ++i;
                continue;
            default:
                break;
        }
        if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
            continue;
        }
        const std::size_t len = Utf8SequenceLength(text, i);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text.substr(i, len));
            i += len;
        }
    }
    return out + "\"";
}

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
    return "{\"port\":" + JsonOrNull(r.Port) + ",\"model\":" + JsonOrNull(r.Model) +
           ",\"battery_mv\":" + JsonOrNull(r.BatteryMv) +
           ",\"battery\":" + JsonOrNull(r.Battery.empty() ? r.Battery : r.Battery + " mV") +
           ",\"clock\":" + JsonOrNull(r.Clock) +
           ",\"clock_offset_s\":" + JsonOrNull(r.Clock.empty() ? std::nullopt : r.ClockOffsetSeconds) +
           ",\"start\":" + JsonOrNull(r.Start) + ",\"stop\":" + JsonOrNull(r.Stop) +
           ",\"interval\":" + JsonOrNull(r.Interval) +
           ",\"interval_s\":" + JsonOrNull(r.Interval.empty() ? std::nullopt : r.IntervalSeconds) + "}\n";
}

}  // namespace cli

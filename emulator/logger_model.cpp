#include "emulator/logger_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "base/errors.h"
#include "base/logger_format.h"

namespace emulator {

namespace {

constexpr std::int64_t kDay = 86400;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t DaysToMs(double days) { return std::llround(days * 86400000.0); }

}  // namespace

std::int64_t SystemLocalMs() { return DaysToMs(Now()); }

std::string LoggerTimeText(std::int64_t seconds) {
    const TDateParts p = DecodeDateTime(static_cast<double>(seconds) / kDay);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second);
    return buf;
}

std::string IntervalText(std::int64_t seconds) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(seconds / 3600 % 24),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return buf;
}

std::optional<std::int64_t> ParseLoggerTime(std::string_view text) {
    try {
        return FloorDiv(DaysToMs(LoggerFormat().TextToDateTime(text)), 1000);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

std::optional<std::int64_t> ParseIntervalText(std::string_view text) {
    try {
        return FloorDiv(DaysToMs(LoggerFormat().TextToTime(text)), 1000);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

LoggerModel::LoggerModel(const ModelSettings& settings, HostClock clock)
    : settings_(settings), clock_(std::move(clock)), offsetMs_(settings.ClockOffsetMs) {
    interval_ = std::clamp<std::int64_t>(settings.IntervalSec, 1, kDay - 1);
    const std::int64_t now = ClockSec();
    if (settings.Readings) {
        const std::int64_t n = *settings.Readings;
        start_ = n > 0 ? now - (n - 1) * interval_ : now + interval_;
    } else if (settings.StartsInSec) {
        start_ = now + *settings.StartsInSec;
    } else if (settings.StartSec) {
        start_ = *settings.StartSec;
    } else {
        // One day ago on a whole minute, so that a fresh emulator has a day of readings.
        start_ = FloorDiv(now - kDay, 60) * 60;
    }
    stop_ = settings.StopSec ? *settings.StopSec : now + 30 * kDay;
}

std::int64_t LoggerModel::ClockMs() const { return clock_() + offsetMs_; }

std::int64_t LoggerModel::ClockSec() const { return FloorDiv(ClockMs(), 1000); }

std::int64_t LoggerModel::ReadingCount() const {
    const std::int64_t last = std::min(ClockSec(), stop_);
    if (last < start_) return 0;
    return (last - start_) / interval_ + 1;
}

std::string LoggerModel::ReadingLine(std::int64_t index) const {
    const std::int64_t t = start_ + index * interval_;
    const double tau = 2 * std::numbers::pi;
    // Room air with a daily swing peaking mid-afternoon, and a cold store cycling every 45 minutes.
    const double dayPhase = static_cast<double>(((t % kDay) + kDay) % kDay) / kDay;
    const double ch1 = 21.0 + 3.5 * std::sin(tau * (dayPhase - 0.375)) + 0.4 * std::sin(index * 0.05);
    const double ch2 = 4.5 + 1.2 * std::sin(tau * static_cast<double>(t % 2700) / 2700.0);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%8.1f%8.1f", ch1, ch2);
    if (std::find(settings_.BadReadings.begin(), settings_.BadReadings.end(), index) != settings_.BadReadings.end())
        std::snprintf(buf, sizeof buf, "%8.1f%8s", ch1, "Err");
    return LoggerTimeText(t) + buf;
}

std::vector<std::string> LoggerModel::Download(std::string_view indexText) const {
    if (indexText.empty() || indexText.size() > 18) return {};
    std::int64_t index = 0;
    for (char c : indexText) {
        if (c < '0' || c > '9') return {};
        index = index * 10 + (c - '0');
    }
    // Beyond the last reading there is nothing to send; the program takes the silence as the end.
    const std::int64_t end = std::min(ReadingCount(), index + settings_.LinesPerRequest);
    std::vector<std::string> lines;
    for (std::int64_t i = index; i < end; ++i) lines.push_back(ReadingLine(i));
    return lines;
}

std::vector<std::string> LoggerModel::Handle(std::string_view command) {
    if (command == "N?") return {settings_.Model};
    if (command == "T?") return {LoggerTimeText(ClockSec())};
    if (command == "R?") return {LoggerTimeText(start_)};
    if (command == "S?") return {LoggerTimeText(stop_)};
    if (command == "I?") return {IntervalText(interval_)};
    if (command == "C?") return {settings_.CAnswer};
    if (command == "U?") return {std::to_string(settings_.BatteryMv)};
    if (command.size() < 2) return {};

    const std::string_view head = command.substr(0, 2), arg = command.substr(2);
    if (head == "D?") return Download(arg);
    // Set commands take effect only with a valid argument; a bad one is ignored, as a device would.
    if (head == "T!") {
        if (const auto t = ParseLoggerTime(arg)) offsetMs_ = *t * 1000 - clock_();
    } else if (head == "R!") {
        if (const auto t = ParseLoggerTime(arg)) start_ = *t;
    } else if (head == "S!") {
        if (const auto t = ParseLoggerTime(arg)) stop_ = *t;
    } else if (head == "I!") {
        if (const auto t = ParseIntervalText(arg); t && *t >= 1 && *t < kDay) interval_ = *t;
    } else if (command == "E!") {
        // An empty memory: the recording starts over from the current clock.
        start_ = ClockSec();
    }
    return {};
}

}  // namespace emulator

#include "cli/progress_meter.h"

#include <algorithm>
#include <cstdio>

namespace cli {
namespace {

constexpr int kBarWidth = 30;
constexpr std::int64_t kRedrawMs = 200;

}  // namespace

std::string FormatDuration(std::int64_t seconds) {
    seconds = std::max<std::int64_t>(seconds, 0);
    char buf[32];
    if (seconds < 3600)
        std::snprintf(buf, sizeof buf, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    else
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return buf;
}

TProgressMeter::TProgressMeter(std::int64_t total, bool terminal) : total_(total), terminal_(terminal) {}

int TProgressMeter::Percent(std::int64_t done) const {
    if (total_ <= 0) return 100;
    const std::int64_t d = std::clamp<std::int64_t>(done, 0, total_);
    // Split to stay inside 64 bits for any count.
    return static_cast<int>(d / total_ * 100 + d % total_ * 100 / total_);
}

std::string TProgressMeter::BarText(std::int64_t done, std::int64_t elapsedMs) const {
    const std::int64_t total = std::max<std::int64_t>(total_, 0);
    const std::int64_t shown = std::clamp<std::int64_t>(done, 0, total);
    const int percent = Percent(done);
    const int filled = percent * kBarWidth / 100;
    std::string bar = "[";
    bar.append(static_cast<std::size_t>(filled), '=');
    if (filled < kBarWidth) {
        bar += '>';
        bar.append(static_cast<std::size_t>(kBarWidth - filled - 1), ' ');
    }
    bar += "]  " + std::to_string(shown) + "/" + std::to_string(total) + "  " + std::to_string(percent) + "%";
    if (elapsedMs > 0 && done > 0) {
        const std::int64_t rate = done * 1000 / elapsedMs;
        bar += "  " + std::to_string(rate) + " readings/s";
        if (shown < total) {
            const double left = static_cast<double>(total - shown) * static_cast<double>(elapsedMs) /
                                static_cast<double>(done) / 1000.0;
            bar += "  " + FormatDuration(static_cast<std::int64_t>(left + 0.5)) + " left";
        }
    }
    return bar;
}

std::string TProgressMeter::StepLine(std::int64_t done) const {
    const std::int64_t total = std::max<std::int64_t>(total_, 0);
    return "Downloaded " + std::to_string(std::clamp<std::int64_t>(done, 0, total)) + " of " + std::to_string(total) +
           " readings (" + std::to_string(Percent(done)) + "%)";
}

std::string TProgressMeter::Update(std::int64_t done, std::int64_t elapsedMs) {
    if (terminal_) {
        const bool complete = total_ <= 0 || done >= total_;
        if (lastDrawMs_ >= 0 && elapsedMs - lastDrawMs_ < kRedrawMs && !complete) return {};
        lastDrawMs_ = elapsedMs;
        std::string text = BarText(done, elapsedMs);
        // Blanks over the tail of a longer earlier drawing.
        const std::size_t width = text.size();
        if (width < lastWidth_) text.append(lastWidth_ - width, ' ');
        lastWidth_ = width;
        return "\r" + text;
    }
    const int step = Percent(done) / 10;
    if (step <= lastStep_) return {};
    lastStep_ = step;
    lastLineDone_ = done;
    return StepLine(done) + "\n";
}

std::string TProgressMeter::Finish(std::int64_t done, std::int64_t elapsedMs) {
    if (terminal_) {
        lastDrawMs_ = -1;
        return Update(done, elapsedMs) + "\n";
    }
    // A stopped or short download still says where it ended.
    if (done == lastLineDone_) return {};
    lastLineDone_ = done;
    lastStep_ = std::max(lastStep_, Percent(done) / 10);
    return StepLine(done) + "\n";
}

}  // namespace cli

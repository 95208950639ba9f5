#pragma once
// Download progress for standard error: a redrawn bar on a terminal, a line per 10 % elsewhere.
#include <cstdint>
#include <string>

namespace cli {

class TProgressMeter {
  public:
    // `total`: readings expected (0 or less counts as done at once). `terminal`: draw a bar that
    // redraws itself with "\r" instead of writing whole lines.
    TProgressMeter(std::int64_t total, bool terminal);

    // The text to write for `done` readings after `elapsedMs` milliseconds, or empty when nothing
    // is due: on a terminal at most one redraw per 200 ms (and always when the count reaches the
    // total); elsewhere one line when a new multiple of 10 % is reached (only the highest one
    // when several are passed at once).
    std::string Update(std::int64_t done, std::int64_t elapsedMs);

    // The closing text: the bar drawn once more and its line ended (terminal), or a line with the
    // final count (elsewhere; empty when the last line written already showed it).
    std::string Finish(std::int64_t done, std::int64_t elapsedMs);

    // "[=====>    ]  450/1000  45%  1250 readings/s  0:01 left" (no "\r"); count and percent
    // capped at the total, rate and time left only when known.
    std::string BarText(std::int64_t done, std::int64_t elapsedMs) const;

    // "Downloaded 450 of 1000 readings (45%)".
    std::string StepLine(std::int64_t done) const;

  private:
    std::int64_t total_;
    bool terminal_;
    std::int64_t lastDrawMs_ = -1;
    int lastStep_ = 0;  // 10 % steps written so far
    std::int64_t lastLineDone_ = -1;
    std::size_t lastWidth_ = 0;

    int Percent(std::int64_t done) const;
};

// "m:ss" below an hour, "h:mm:ss" from an hour on.
std::string FormatDuration(std::int64_t seconds);

}  // namespace cli

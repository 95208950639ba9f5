#pragma once
// The statistics of a data file as the stats command prints them: plain text or one JSON object.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "data/alarm_evaluation.h"
#include "data/reading_statistics.h"
#include "data/rolling_mkt.h"

namespace cli {

struct TStatsReport {
    std::string File;          // as given on the command line (UTF-8)
    std::size_t Lines = 0;     // lines of the file
    std::size_t Readings = 0;  // readings of the file, before the range
    readings::TStatisticsOptions Options;
    readings::TReadingStatistics Statistics;
    // With --profile: the profile and its rules worked out over the readings taken.
    std::optional<readings::TAlarmProfile> Profile;
    readings::TProfileResult Alarms;
    // With --mkt-window: the highest rolling MKT of channel 1, then of channel 2.
    std::vector<readings::TRollingMkt> Rolling;
};

// Labelled lines: the file, the range, the interval and the limits; a block per channel; the
// gaps, the readings out of time order and the repeated times, each listed. Temperatures as read
// (the shortest text of the value), means to 0.01 degrees, times as logger time texts, durations
// in seconds with h:mm:ss. Then, when asked, the profile's rules (one block per rule and channel:
// triggered, time beyond, excursions, the longest, every excursion) and the highest rolling MKT.
std::string FormatStatsText(const TStatsReport& report);

// One JSON object on one line: file, lines, readings, skipped_lines, from, to (the range asked,
// or null), first, last, interval_s, interval_given, low_c, high_c, t1 and t2 (each with count,
// min, min_time, max, max_time, mean, stddev, mkt, seconds_covered, seconds_below,
// seconds_above), gaps [{from, to, missing}], missing_readings, out_of_order [{line, time,
// previous}], repeated [{time, count}], repeated_readings; with a profile also profile (its name)
// and rules [{channel, compare, limit, kind, duration_s, label, triggered, seconds_beyond,
// excursions [{start, end, seconds, peak, peak_time}]}], one per rule and channel; with a window
// rolling_mkt [{channel, window_s, mkt, start, shorter_than_window}]. A value that does not exist
// is null; line numbers count from 1.
std::string FormatStatsJson(const TStatsReport& report);

}  // namespace cli

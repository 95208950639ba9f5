#pragma once
// The lines of lorv304d-cli watch: one per event, as text or as one JSON object (nlohmann/json,
// keys in a fixed order), each beginning with the computer's local time of the event. The keys and
// words are listed in README.md ("Watching for loggers").
#include <string>

#include "base/logger_format.h"
#include "cli/watch_event.h"

namespace cli {

// One line without a line end, for example
//   2026-12-09 08:01:03 downloaded 60 readings of KX-15-1 on pts/5 (readings 0 to 59), complete;
//   the archive holds 60 of 60 (recording 1)
// (one line in fact).
std::string WatchEventText(const TWatchEvent& event, TDateTime at);

// The same without the time in front.
std::string WatchEventWords(const TWatchEvent& event);

// One JSON object on one line: "event" (started, found, other_device, port_unavailable,
// logger_trouble, downloaded, reading, not_archived, report, report_failed, alarm, gone, stopped),
// "at", then the event's own keys; absent values are null.
std::string WatchEventJson(const TWatchEvent& event, TDateTime at);

}  // namespace cli

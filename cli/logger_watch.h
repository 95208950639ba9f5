#pragma once
// lorv304d-cli watch: loggers downloaded as they are plugged in, until a stop signal.
//
// Every second the port list is read (the search's discovery and device map) and handed to
// TPortWatch, which says what to probe. A logger's status is read, every reading of its recording
// that the archive lacks or holds damaged is downloaded and archived chunk by chunk, a report is
// written when asked, the profile's rules are worked out, and the port is let go with "d!" (with
// --follow it stays connected and each new reading is downloaded when it is due). Every event is
// one line on `out` (watch_lines.h). A stop signal ends the run between chunks: what came is
// archived, each connected logger gets "d!", and the status is 0.
//
// Exit statuses: 0 stopped by a signal; 2 an unknown profile, or --report-dir in a build without
// reports; 3 the archive or the report folder cannot be opened or written at the start, or a
// faulty profile file (one line on `err`).
#include <iosfwd>

#include "cli/cli_options.h"
#include "cli/cli_run.h"

namespace cli {

int RunWatch(const TCliOptions& options, std::ostream& out, std::ostream& err, const TCliEnvironment& env);

}  // namespace cli

#pragma once
// The commands of lorv304d-cli that work on a data file and need no logger: convert (CSV or TSV)
// and stats. Each returns the exit status; a file that cannot be read or written throws
// EFileError (exit status 3 through the run).
#include <iosfwd>
#include <string>

#include "cli/cli_options.h"
#include "data/line_store.h"
#include "data/reading_export.h"

namespace cli {

// The line on standard error after an export (convert, download --format csv|tsv): the readings
// written (to `output` when not empty), the lines skipped and, when there were any, the times in
// a gap or fold of the clocks. Without its line end.
std::string ExportNote(const readings::TExportCounts& counts, const std::string& output);

// Exports `lines` (of options.File, or of a recording of the archive) as options.Format to
// options.Output (written whole, or not at all) or to `out`. Unless quiet, one line on `err`
// counts the readings, the skipped lines and the times in a gap or fold of the clocks.
int RunConvert(const TCliOptions& options, const TLineStore& lines, std::ostream& out, std::ostream& err);

// Prints the statistics of `lines` within --from / --to, with the limits, the rules of
// --profile (looked up with LookUpProfile among the own profiles of `settingsFile`) and the
// rolling MKT, as text or JSON; `source` names the readings (the file, or "recording <id>").
// An unknown profile is a usage error and a faulty profile file a file error, each told on
// `err`; with --fail-on-alarm a rule that triggered gives ExitAlarm.
int RunStats(const TCliOptions& options, const TLineStore& lines, const std::string& source,
             const std::string& settingsFile, std::ostream& out, std::ostream& err);

}  // namespace cli

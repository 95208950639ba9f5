#pragma once
// lorv304d-cli report: the PDF report of a data file or an archived recording. The command's Qt
// Gui part, kept out of lorv_cli so that the rest of the command line links no Qt; it starts its
// own QGuiApplication on the offscreen platform when there is no display.
#include <iosfwd>
#include <string>

#include "cli/cli_options.h"

namespace cli {

// Looks --profile up (among the own profiles of `settingsFile` too), builds and writes the report;
// an archived recording's report is entered in the audit trail. Returns the exit status; errors
// go to `err`, a line each.
int RunReport(const TCliOptions& options, const std::string& settingsFile, std::ostream& err);

}  // namespace cli

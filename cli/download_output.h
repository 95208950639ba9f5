#pragma once
// Where the readings of a download go, in the format of --format: data-file lines (code page
// 1250, CR LF after each, as the logger sent them) or CSV / TSV rows (see data/reading_export.h),
// on standard output as each reading comes or into a file written whole at the end.
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "data/line_store.h"
#include "data/reading_export.h"

namespace cli {

class TDownloadOutput {
  public:
    // Takes the format, --utc and -o from `options` (the format checked by the command line); an
    // empty -o means `out`. A CSV or TSV output reads this computer's time zone now.
    TDownloadOutput(const TCliOptions& options, std::ostream& out);

    // The lines a data file already holds (--append, data files only); new readings follow them.
    TLineStore& Lines() { return lines_; }

    // Starts the output: a CSV or TSV gets its header row, on standard output at once, so that
    // what a script reads there is a whole table even when no reading follows.
    void Begin();
    // One reading as the download keeps it (bytes as received, without the line end). A line
    // that is no reading (a damaged one kept as received) is a data-file line of its own; CSV and
    // TSV skip and count it.
    void Add(const std::string& line);
    // Writes the file of -o whole, replacing it: the lines, or the header and the rows so far.
    // Throws EFileError.
    void WriteFile() const;

    // The counts of a CSV or TSV output; absent for data-file lines.
    std::optional<readings::TExportCounts> Counts() const;

  private:
    std::string path_;
    std::ostream& out_;
    TLineStore lines_;                                    // data-file lines for -o
    std::unique_ptr<readings::TReadingExporter> export_;  // CSV or TSV only
    std::string text_;                                    // CSV or TSV for -o
    std::string row_;                                     // one row on its way to standard output
};

}  // namespace cli

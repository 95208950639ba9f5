#pragma once
// Readings as CSV or TSV for spreadsheets and scripts.
//
// UTF-8 without a byte-order mark (every byte written is ASCII). A header row, then one row per
// reading (see reading_record.h) in line order:
//   time   ISO 8601 local time with its UTC offset, "2026-03-29T01:59:00+01:00" (whole seconds,
//          as the logger time texts; an offset with seconds, which only some zones had before
//          1940, as "+hh:mm:ss"); with Utc set, the same instant in UTC, "2026-03-29T00:59:00Z". The offset is this
//          computer's for that wall-clock time, by the rule of local_time_zone.h for gaps and folds.
//   t1_c   channel 1 temperature text as read, blanks trimmed, unrounded; empty when it does
//   t2_c   not convert.
// CSV: RFC 4180, "," between fields, CR LF after every row. TSV: a TAB between fields, LF after
// every row. No field can hold a separator, a quote or a line end (times and converted
// temperatures are made of digits, signs, ".", ":", "T", "Z" and "e"), so none is quoted.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/logger_format.h"
#include "data/line_store.h"
#include "data/local_time_zone.h"

namespace readings {

enum class TExportFormat { Csv, Tsv };

struct TExportOptions {
    TExportFormat Format = TExportFormat::Csv;
    bool Utc = false;
};

struct TExportCounts {
    std::uint64_t Readings = 0;  // rows written
    std::uint64_t Skipped = 0;   // lines that are not readings
    std::uint64_t InGap = 0;     // readings whose time the clock change skipped
    std::uint64_t InFold = 0;    // readings whose time the clock change repeated

    bool operator==(const TExportCounts&) const = default;
};

// Takes lines one at a time, so that a caller can stream (a file, or a download as it comes).
// The zone is read when the exporter is made.
class TReadingExporter {
  public:
    explicit TReadingExporter(TExportOptions options, LoggerFormat format = LoggerFormat());

    // Appends the header row to `out`.
    void AppendHeader(std::string& out) const;
    // Appends the row of `line` (without its line end) to `out` when it is a reading; counts it
    // either way. Returns whether a row was written.
    bool AppendLine(std::string_view line, std::string& out);
    const TExportCounts& Counts() const { return counts_; }

  private:
    TExportOptions options_;
    LoggerFormat format_;
    TLocalTimeZone zone_;
    TExportCounts counts_;
};

// The whole export of `lines`: the header and a row per reading. `counts`, when given, gets the
// exporter's counts.
std::string ExportReadings(const TLineStore& lines, const TExportOptions& options, TExportCounts* counts = nullptr);

}  // namespace readings

// The output of a download in each format, on standard output and in a file: the same bytes both
// ways, and a line kept as received that is no reading stays a data-file line but is skipped and
// counted in a table.
#include "cli/download_output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "base/atomic_file.h"
#include "base/testing/temp_path.h"
#include "data/scoped_time_zone.h"

namespace cli {
namespace {

struct TOutputRow {
    const char* Name;
    std::string Format;
    bool Utc;
    std::vector<std::string> Lines;  // as the download keeps them
    std::string Bytes;
    std::optional<readings::TExportCounts> Counts;
};
void PrintTo(const TOutputRow& row, std::ostream* os) { *os << row.Name; }

class DownloadOutputRows : public testing::TestWithParam<TOutputRow> {};

TEST_P(DownloadOutputRows, SameBytesOnStandardOutputAndInTheFile) {
    const TScopedTimeZone zone("Europe/Warsaw");
    const TOutputRow& row = GetParam();
    TCliOptions options;
    options.Format = row.Format;
    options.Utc = row.Utc;
    const auto run = [&](std::ostream& out) {
        TDownloadOutput output(options, out);
        output.Begin();
        for (const std::string& line : row.Lines) output.Add(line);
        if (!options.Output.empty()) output.WriteFile();
        EXPECT_EQ(row.Counts, output.Counts());
    };
    std::ostringstream out;
    run(out);
    EXPECT_EQ(row.Bytes, out.str());

    const TTempPath file("download_output_");
    options.Output = file.Path();
    std::ostringstream unused;
    run(unused);
    EXPECT_EQ("", unused.str());
    EXPECT_EQ(row.Bytes, ReadWholeFile(options.Output));
}

const std::string InGap = "2026-03-29 02:30:00    21.5  -0.5e1";
const std::string Kept = "2026-03-29 02:31:0\x0b   21.5    20.0";  // a damaged time, kept as received

INSTANTIATE_TEST_SUITE_P(
    Rows, DownloadOutputRows,
    testing::Values(
        TOutputRow{"LogKeepsEveryLineAsSent", "", false, {InGap, Kept}, InGap + "\r\n" + Kept + "\r\n", std::nullopt},
        TOutputRow{"CsvSkipsAndCountsWhatIsNoReading",
                   "csv",
                   false,
                   {InGap, Kept},
                   "time,t1_c,t2_c\r\n2026-03-29T02:30:00+01:00,21.5,-0.5e1\r\n",
                   readings::TExportCounts{1, 1, 1, 0}},
        TOutputRow{"TsvInUtc",
                   "tsv",
                   true,
                   {InGap},
                   "time\tt1_c\tt2_c\n2026-03-29T01:30:00Z\t21.5\t-0.5e1\n",
                   readings::TExportCounts{1, 0, 1, 0}},
        TOutputRow{"NoReadingIsStillAWholeTable", "csv", false, {}, "time,t1_c,t2_c\r\n", readings::TExportCounts{}}),
    [](const testing::TestParamInfo<TOutputRow>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace cli

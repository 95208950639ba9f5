#include "data/reading_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/scoped_time_zone.h"

namespace readings {
namespace {

TLineStore Store(std::vector<std::string> lines) {
    TLineStore store;
    store.Assign(std::move(lines));
    return store;
}

// A reading line: the time, then each channel text right-aligned in its 8 characters.
std::string Row(std::string time, std::string t1, std::string t2) {
    return time + std::string(8 - t1.size(), ' ') + t1 + std::string(8 - t2.size(), ' ') + t2;
}

// Readings in Warsaw around both changes of the clocks, with lines that are no readings and
// damaged channels among them.
const std::vector<std::string> kChangeDays = {
    Row("2026-03-29 01:59:00", "21.5", "19.0"),
    Row("2026-03-29 02:30:00", "21.25", "-0.5e1"),  // in the gap
    "D?100",                                        // an echoed command
    Row("2026-03-29 03:00:00", "21.3", "19.0x"),    // channel 2 damaged
    "",
    Row("2026-10-25 02:30:00", "+22.00", "18.7"),  // in the fold
    Row("2026-10-25 03:00:00", "21,5", "18.5"),    // channel 1 with a comma
    "2026-10-25 03:01:00",                         // a time and nothing else
};

struct ExportRow {
    const char* name;
    TExportOptions options;
    std::string expected;
};

void PrintTo(const ExportRow& row, std::ostream* os) { *os << row.name; }

class Export : public testing::TestWithParam<ExportRow> {};

TEST_P(Export, WritesEveryReadingWithItsOffset) {
    const TScopedTimeZone zone("Europe/Warsaw");
    TExportCounts counts;
    EXPECT_EQ(GetParam().expected, ExportReadings(Store(kChangeDays), GetParam().options, &counts));
    EXPECT_EQ((TExportCounts{5, 3, 1, 1}), counts);
}

INSTANTIATE_TEST_SUITE_P(Formats, Export,
                         testing::Values(ExportRow{"Csv",
                                                   {TExportFormat::Csv, false},
                                                   "time,t1_c,t2_c\r\n"
                                                   "2026-03-29T01:59:00+01:00,21.5,19.0\r\n"
                                                   "2026-03-29T02:30:00+01:00,21.25,-0.5e1\r\n"
                                                   "2026-03-29T03:00:00+02:00,21.3,\r\n"
                                                   "2026-10-25T02:30:00+02:00,+22.00,18.7\r\n"
                                                   "2026-10-25T03:00:00+01:00,,18.5\r\n"},
                                         ExportRow{"CsvUtc",
                                                   {TExportFormat::Csv, true},
                                                   "time,t1_c,t2_c\r\n"
                                                   "2026-03-29T00:59:00Z,21.5,19.0\r\n"
                                                   "2026-03-29T01:30:00Z,21.25,-0.5e1\r\n"
                                                   "2026-03-29T01:00:00Z,21.3,\r\n"
                                                   "2026-10-25T00:30:00Z,+22.00,18.7\r\n"
                                                   "2026-10-25T02:00:00Z,,18.5\r\n"},
                                         ExportRow{"Tsv",
                                                   {TExportFormat::Tsv, false},
                                                   "time\tt1_c\tt2_c\n"
                                                   "2026-03-29T01:59:00+01:00\t21.5\t19.0\n"
                                                   "2026-03-29T02:30:00+01:00\t21.25\t-0.5e1\n"
                                                   "2026-03-29T03:00:00+02:00\t21.3\t\n"
                                                   "2026-10-25T02:30:00+02:00\t+22.00\t18.7\n"
                                                   "2026-10-25T03:00:00+01:00\t\t18.5\n"}),
                         [](const testing::TestParamInfo<ExportRow>& info) { return std::string(info.param.name); });

// Times the logger never writes but a file may hold: midnight as the date alone, a date before
// the zone had standard time, a line longer than its fields. Fed one line at a time.
TEST(ExportLineByLine, UnusualTimesAndOffsets) {
    const TScopedTimeZone zone("Europe/Warsaw");
    TReadingExporter exporter({TExportFormat::Csv, false});
    std::string out;
    EXPECT_TRUE(exporter.AppendLine("2026-07-01             5", out));
    EXPECT_TRUE(exporter.AppendLine(Row("1880-01-01 12:00:00", "-1.5", "2.0") + " ignored", out));
    EXPECT_FALSE(exporter.AppendLine("2026-07-01 12:00:00 abc", out));
    EXPECT_EQ(
        "2026-07-01T00:00:00+02:00,5,\r\n"
        "1880-01-01T12:00:00+01:24,-1.5,2.0\r\n",
        out);
    EXPECT_EQ((TExportCounts{2, 1, 0, 0}), exporter.Counts());

    // Amsterdam's summer offset of 1930 had seconds.
    const TScopedTimeZone amsterdam("Europe/Amsterdam");
    const std::string line = Row("1930-07-01 12:00:00", "1.0", "2.0");
    out.clear();
    TReadingExporter({TExportFormat::Csv, false}).AppendLine(line, out);
    TReadingExporter({TExportFormat::Tsv, true}).AppendLine(line, out);
    EXPECT_EQ("1930-07-01T12:00:00+01:19:32,1.0,2.0\r\n1930-07-01T10:40:28Z\t1.0\t2.0\n", out);
}

}  // namespace
}  // namespace readings

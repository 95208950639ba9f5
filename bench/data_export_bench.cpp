// A million readings (one a minute over two years, so across four changes of the clocks in
// Europe/Warsaw): a data file exported to a CSV file (target: under 1 s), and their statistics
// (target: under 0.3 s), from the lines as the window holds them and from the file as
// `lorv304d-cli stats` reads it.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "base/atomic_file.h"
#include "bench/data_bench_lines.h"
#include "data/data_file.h"
#include "data/reading_export.h"
#include "data/reading_statistics.h"
#include "data/scoped_time_zone.h"

namespace {

constexpr long kLines = 1000000;

// The million lines as a data file for as long as the benchmark runs.
class TBenchFile {
  public:
    TBenchFile() : path_(BenchTempPath("export_bench_")) { readings::SaveLinesFile(path_, BenchMillionLines()); }
    ~TBenchFile() { std::remove(path_.c_str()); }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

readings::TStatisticsOptions Limits() {
    readings::TStatisticsOptions options;
    options.Limits = {16.0, 33.0};
    return options;
}

void BM_ExportFileToCsv(benchmark::State& state) {
    const TScopedTimeZone zone("Europe/Warsaw");
    const TBenchFile file;
    const std::string out = BenchTempPath("export_bench_csv_");
    const bool utc = state.range(0) != 0;
    for (auto _ : state) {
        const TLineStore lines = readings::LoadDataFile(file.Path());
        WriteFileAtomically(out, readings::ExportReadings(lines, {readings::TExportFormat::Csv, utc}));
    }
    std::remove(out.c_str());
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_ExportFileToCsv)->ArgName("utc")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ExportLines(benchmark::State& state) {
    const TScopedTimeZone zone("Europe/Warsaw");
    for (auto _ : state) {
        std::string csv = readings::ExportReadings(BenchMillionLines(), {});
        benchmark::DoNotOptimize(csv.data());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_ExportLines)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_StatisticsOfLines(benchmark::State& state) {
    for (auto _ : state) {
        const readings::TReadingStatistics s =
            readings::ComputeStatistics(readings::ReadReadings(BenchMillionLines()), Limits());
        benchmark::DoNotOptimize(s.Channel1.MeanKinetic);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_StatisticsOfLines)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_StatisticsOfFile(benchmark::State& state) {
    const TBenchFile file;
    for (auto _ : state) {
        const readings::TReadingStatistics s =
            readings::ComputeStatistics(readings::ReadReadings(readings::LoadDataFile(file.Path())), Limits());
        benchmark::DoNotOptimize(s.Channel1.MeanKinetic);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_StatisticsOfFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();

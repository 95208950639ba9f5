// Parsing a million reading lines into points (target: well under 0.5 s), and loading and saving
// a million-line data file.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/data_bench_lines.h"
#include "data/data_file.h"
#include "data/reading_parser.h"

namespace {

constexpr long kLines = 1000000;

void BM_ParseReadingLines(benchmark::State& state) {
    const TLineStore& lines = BenchMillionLines();
    for (auto _ : state) {
        readings::TParsedReadings parsed = readings::ParseReadingLines(lines);
        benchmark::DoNotOptimize(parsed.Series2.data());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_ParseReadingLines)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A damaged file: every line bytes at random (digits and separators more often than not).
void BM_ParseDamagedLines(benchmark::State& state) {
    static const TLineStore store = [] {
        std::vector<std::string> lines;
        lines.reserve(kLines);
        unsigned seed = 12345;
        const char alphabet[] = "0123456789-: .xyz\t\x01\xB9";
        for (long i = 0; i < kLines; ++i) {
            std::string line(35, ' ');
            for (char& c : line) {
                seed = seed * 1103515245u + 12345u;
                c = alphabet[(seed >> 16) % (sizeof alphabet - 1)];
            }
            lines.push_back(std::move(line));
        }
        TLineStore s;
        s.Assign(std::move(lines));
        return s;
    }();
    for (auto _ : state) {
        readings::TParsedReadings parsed = readings::ParseReadingLines(store);
        benchmark::DoNotOptimize(parsed.Series1.data());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_ParseDamagedLines)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LoadDataFile(benchmark::State& state) {
    const std::string path = BenchTempPath("data_bench_load_");
    readings::SaveLinesFile(path, BenchMillionLines());
    for (auto _ : state) {
        TLineStore loaded = readings::LoadDataFile(path);
        benchmark::DoNotOptimize(loaded.Count());
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_LoadDataFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SaveLinesFile(benchmark::State& state) {
    const std::string path = BenchTempPath("data_bench_save_");
    for (auto _ : state) readings::SaveLinesFile(path, BenchMillionLines());
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_SaveLinesFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();

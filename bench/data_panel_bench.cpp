// The text panel receiving lines as a download delivers them: 100,000 lines, pending events let
// run every 25 lines (target: under 1 s), shown and hidden; and a million-line file put into the
// panel, parsed and the panel drawn once.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPixmap>
#include <cstdio>
#include <filesystem>

#include "app/memo_view.h"
#include "bench/data_bench_lines.h"
#include "data/data_file.h"
#include "data/reading_parser.h"

namespace {

void AppendLines(benchmark::State& state, bool shown, bool wrap) {
    const std::vector<std::string> lines = BenchReadingLines(100000);
    for (auto _ : state) {
        TMemoView view;
        view.resize(440, 300);
        view.SetWordWrap(wrap);
        if (shown) view.show();
        QCoreApplication::processEvents();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            view.AppendLine(lines[i]);
            if (i % 25 == 24) QCoreApplication::processEvents();
        }
        view.FlushPendingRefresh();
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

// The data panel wraps long lines; the communication panel does not.
void BM_PanelAppend100kShownWrapped(benchmark::State& state) { AppendLines(state, true, true); }
BENCHMARK(BM_PanelAppend100kShownWrapped)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PanelAppend100kShown(benchmark::State& state) { AppendLines(state, true, false); }
BENCHMARK(BM_PanelAppend100kShown)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_PanelAppend100kHidden(benchmark::State& state) { AppendLines(state, false, true); }
BENCHMARK(BM_PanelAppend100kHidden)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Load, show in the panel and parse a million-line file (the chart's drawing comes on top).
void BM_LoadMillionIntoPanelAndParse(benchmark::State& state) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("data_panel_bench_" + std::to_string(::getpid()))).string();
    {
        TLineStore store;
        store.Assign(BenchReadingLines(1000000));
        readings::SaveLinesFile(path, store);
    }
    TMemoView view;
    view.resize(440, 300);
    view.SetWordWrap(true);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        view.SetStore(readings::LoadDataFile(path));
        readings::TParsedReadings parsed = readings::ParseReadingLines(view.Lines());
        benchmark::DoNotOptimize(parsed.Series1.data());
        QPixmap shot = view.grab();
        benchmark::DoNotOptimize(shot.isNull());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadMillionIntoPanelAndParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

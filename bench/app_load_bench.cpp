// The main window with many readings: "Czytaj z pliku" on a file of 100,000, 1,000,000 and
// 10,000,000 lines (read into the data panel, parsed into both series) and one full draw of the
// chart, offscreen. Targets: 1,000,000 in at most 0.1 s; 10,000,000 in at most 1.2 s with the peak
// memory of the whole process at most 600 MB (counter peak_rss_MB).
//
// The peak is the process's high-water mark, reset as each size starts. Memory a larger size
// freed may stay with the process, so run a size on its own for its own peak:
//   app_load_bench --benchmark_filter=/10000000
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/main_window.h"
#include "app/memo_view.h"
#include "app/scripted_dialogs.h"
#include "bench/data_bench_lines.h"

namespace {

// Resets the high-water mark of the resident memory (Linux 4.0 and later).
void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The high-water mark of the resident memory since the last reset, megabytes.
double PeakMemoryMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

void BM_WindowLoadParseDraw(benchmark::State& state) {
    const long count = static_cast<long>(state.range(0));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("readings.log"));
    {
        // Written line by line so that the file's lines never sit in this process's memory.
        std::ofstream out(file.toStdString(), std::ios::binary);
        for (long i = 0; i < count; ++i) out << BenchReadingLine(i) << "\r\n";
    }
    auto dialogs = std::make_shared<TScriptedDialogs>();
    TForm1 form(TForm1::TEnvironment{dir.filePath(QStringLiteral("lorv304d")).toStdString(), dialogs});
    form.resize(1285, 762);
    form.show();
    QCoreApplication::processEvents();
    ResetPeakMemory();

    for (auto _ : state) {
        dialogs->FileAnswers.push_back(file);
        const int draws = form.Chart->DrawCount();
        form.Wczytajzpliku1->trigger();
        form.Chart->repaint();
        if (form.Memo2->Lines().Count() != static_cast<std::size_t>(count) ||
            form.Chart->Series2.Count() != static_cast<std::size_t>(count) || form.Chart->DrawCount() != draws + 1 ||
            !dialogs->Messages.empty()) {
            state.SkipWithError("the file was not loaded, parsed and drawn");
            break;
        }
        state.PauseTiming();
        form.ClearData();  // each run starts from an empty window, as after start-up
        state.ResumeTiming();
    }
    state.counters["peak_rss_MB"] = PeakMemoryMegabytes();
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_WindowLoadParseDraw)
    ->Arg(100000)
    ->Arg(1000000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

// The main window with a million readings: "Czytaj z pliku" on a 1,000,000-line file (read into the
// data panel, parsed into both series) and one full draw of the chart, offscreen. Target: under
// 1.0 s, with the peak memory of the whole process under 200 MB (counter peak_rss_MB).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>

#include "app/main_window.h"
#include "app/memo_view.h"
#include "app/scripted_dialogs.h"
#include "bench/data_bench_lines.h"

namespace {

double PeakRssMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes on Linux
}

void BM_WindowLoadParseDrawMillion(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("million.log"));
    {
        // Written line by line so that the file's lines never sit in this process's memory.
        std::ofstream out(file.toStdString(), std::ios::binary);
        for (long i = 0; i < 1000000; ++i) out << BenchReadingLine(i) << "\r\n";
    }
    auto dialogs = std::make_shared<TScriptedDialogs>();
    TForm1 form(TForm1::TEnvironment{dir.filePath(QStringLiteral("lorv304d")).toStdString(), dialogs});
    form.resize(1285, 762);
    form.show();
    QCoreApplication::processEvents();

    for (auto _ : state) {
        dialogs->FileAnswers.push_back(file);
        const int draws = form.Chart->DrawCount();
        form.Wczytajzpliku1->trigger();
        form.Chart->repaint();
        if (form.Memo2->Lines().Count() != 1000000 || form.Chart->Series2.Count() != 1000000 ||
            form.Chart->DrawCount() != draws + 1 || !dialogs->Messages.empty()) {
            state.SkipWithError("the file was not loaded, parsed and drawn");
            break;
        }
        state.PauseTiming();
        form.ClearData();  // each run starts from an empty window, as after start-up
        state.ResumeTiming();
    }
    state.counters["peak_rss_MB"] = PeakRssMegabytes();
}
BENCHMARK(BM_WindowLoadParseDrawMillion)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

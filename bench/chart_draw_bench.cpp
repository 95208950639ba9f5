// A full draw of the program's chart into a 1200 x 700 image, with N points in each of the two series:
// the time should stay about flat from a thousand to a million points.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>

#include "chart/logger_chart.h"

namespace {

void BM_ChartDraw(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TLoggerChart chart;
    chart.resize(1200, 700);
    const double start = 42799.0;
    for (int i = 0; i < n; ++i) {
        const double x = start + i / 86400.0;
        chart.Series1.AddXY(x, static_cast<float>(20 + 3 * std::sin(i * 1e-4) + (i % 17) * 0.01));
        chart.Series2.AddXY(x, static_cast<float>(18 + 2 * std::cos(i * 3e-5) + (i % 5) * 0.1));
    }
    QImage image(1200, 700, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&image);
        chart.Draw(p, QRect(0, 0, 1200, 700));
        p.end();
        benchmark::DoNotOptimize(image.bits());
    }
    state.SetItemsProcessed(state.iterations() * 2 * static_cast<int64_t>(n));
}
BENCHMARK(BM_ChartDraw)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

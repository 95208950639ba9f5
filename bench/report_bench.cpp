// The report of 1,000,000 readings (about 23 days at 2 s) from a data file: building the model and
// writing the PDF. Targets: at most 3 s, at most 1.5 MB (counter "pdf_bytes").
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/alarm_profile.h"
#include "report/report_document.h"
#include "report/report_source.h"

namespace {

void BM_ReportOfMillion(benchmark::State& state) {
    report::RegisterReportFont(LORV304D_FONT_FILE);
    const std::string folder = std::filesystem::temp_directory_path() / "lorv_report_bench";
    std::filesystem::create_directories(folder);
    const std::string data = folder + "/million.log", pdf = folder + "/million.pdf";
    {
        std::ofstream out(data, std::ios::binary);
        char line[64];
        for (int i = 0; i < 1'000'000; ++i) {
            const long s = 2L * i;
            std::snprintf(line, sizeof line, "2017-%02ld-%02ld %02ld:%02ld:%02ld    %4.1f    %4.1f\r\n", 3 + s / 86400 / 28,
                          1 + s / 86400 % 28, s / 3600 % 24, s / 60 % 60, s % 60, 5 + (i % 700) * 0.005,
                          18 + (i % 300) * 0.01);
            out << line;
        }
    }
    report::TReportRequest request;
    request.Profile = *readings::FindBuiltInProfile("2-8");
    request.MktWindowSeconds = 86400;
    std::size_t bytes = 0;
    for (auto _ : state) {
        report::WriteReportPdf(report::BuildFileReport(data, request), report::TLanguage::Polish, pdf);
        bytes = std::filesystem::file_size(pdf);
    }
    state.counters["pdf_bytes"] = static_cast<double>(bytes);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ReportOfMillion)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

// Download throughput of lorv304d-cli: the emulator and the tool run as separate processes over a
// pty; each iteration times one whole run of "lorv304d-cli download" (start, probe, settings read,
// every chunk, file write) for 10,000 readings.
//
// Counters: readings/s; wire_bytes/s, the reading bytes that crossed the line (each line and its
// LF) per second; wire_share_%, that rate against 11,520 bytes/s, the limit of 115200 baud with
// 10 bit times per byte. Targets: wire_share_% >= 97 paced at 115200 baud; readings/s >= 20,000
// unpaced.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "emulator/emulator_process.h"

namespace {

constexpr int kReadings = 10'000;
constexpr double kWireBytesPerSecond = 115200.0 / 10.0;

// Runs the tool to its end; returns its exit status (-1 when it could not run).
int RunCli(const std::vector<std::string>& args) {
    std::vector<std::string> argv{LORV304D_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp;
    for (auto& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        execv(argp[0], argp.data());
        _exit(127);
    }
    int raw = 0;
    if (waitpid(pid, &raw, 0) != pid || !WIFEXITED(raw)) return -1;
    return WEXITSTATUS(raw);
}

void Download(benchmark::State& state, const std::vector<std::string>& emulatorPacing) {
    const std::string out = "/tmp/cli_download_bench_" + std::to_string(getpid()) + ".log";
    std::int64_t wireBytes = 0, readings = 0;
    double seconds = 0;
    for (auto _ : state) {
        std::vector<std::string> args{"--readings", std::to_string(kReadings)};
        args.insert(args.end(), emulatorPacing.begin(), emulatorPacing.end());
        emulator::EmulatorProcess logger(args);
        const auto t0 = std::chrono::steady_clock::now();
        const int status = RunCli({"download", "--port", logger.SlavePath(), "-q", "--no-archive", "-o", out});
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(s);
        seconds += s;

        std::ifstream in(out, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::int64_t lines = 0;
        for (char c : text) lines += c == '\n';
        if (status != 0 || lines != kReadings) {
            state.SkipWithError(("exit status " + std::to_string(status) + ", " + std::to_string(lines) +
                                 " lines instead of " + std::to_string(kReadings))
                                    .c_str());
            break;
        }
        readings += lines;
        // On the wire each reading is its line and an LF; the file holds a CR LF instead.
        wireBytes += static_cast<std::int64_t>(text.size()) - lines;
    }
    std::remove(out.c_str());
    if (seconds > 0) {
        state.counters["readings/s"] = static_cast<double>(readings) / seconds;
        state.counters["wire_bytes/s"] = static_cast<double>(wireBytes) / seconds;
        state.counters["wire_share_%"] = 100.0 * static_cast<double>(wireBytes) / seconds / kWireBytesPerSecond;
    }
}

void BM_DownloadPaced115200(benchmark::State& state) { Download(state, {"--baud", "115200"}); }
void BM_DownloadUnpaced(benchmark::State& state) { Download(state, {}); }

// One paced run takes about 31 s (the wire's limit), so it runs once.
BENCHMARK(BM_DownloadPaced115200)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DownloadUnpaced)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// The archive with a million readings: archiving them as a download gives them (target: at most 2 s),
// verifying every chain (at most 2 s), reading the recording back as data-panel lines (the window
// opens it within 0.5 s), listing the recordings, and the bytes of file per reading (at most 120).
// Each archiving run stores exactly 1,000,000 readings, so its time is the time per million.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "archive/download_archiver.h"
#include "archive/sqlite_archive.h"
#include "bench/data_bench_lines.h"

namespace {

constexpr long kReadings = 1000000;
constexpr long kChunk = 24;  // readings a download's chunk stores

const archive::TRecordingKey Key{"KX-15-1", EncodeDate(2017, 3, 5), 60};

std::string BenchFolder() {
    return (std::filesystem::temp_directory_path() / ("lorv_archive_bench_" + std::to_string(::getpid()))).string();
}

// Archives the million readings into a new file at `path` as a download does: chunks of 24
// readings given to a TDownloadArchiver, which commits them together by its rule. With
// `oneTransactionPerChunk` each chunk is its own transaction instead (what that rule saves).
void Archive(const std::string& path, bool oneTransactionPerChunk = false) {
    std::filesystem::remove(path);
    std::filesystem::remove(path + "-wal");
    std::filesystem::remove(path + "-shm");
    auto archive = archive::OpenSqliteArchive(path);
    archive::TDownloadArchiver archiver(archive.get());
    std::int64_t download = 0;
    if (oneTransactionPerChunk) {
        download = archive->BeginDownload(Key, archive::TDownloadInfo{});
    } else {
        archiver.Begin(Key, archive::TDownloadInfo{});
    }
    const TLineStore& lines = BenchMillionLines();
    std::vector<TStoredReading> chunk;
    for (long first = 0; first < kReadings; first += kChunk) {
        chunk.clear();
        for (long i = first; i < std::min(first + kChunk, kReadings); ++i)
            chunk.push_back(TStoredReading{i, std::string(lines[static_cast<std::size_t>(i)]), TReadingState::Clean});
        oneTransactionPerChunk ? (void)archive->AddReadings(download, chunk) : archiver.Chunk(chunk);
    }
    if (oneTransactionPerChunk) {
        archive->FinishDownload(download, TDownloadReport{}, archive::TActor{});
    } else {
        archiver.Finish(TDownloadReport{}, archive::TActor{});
        if (!archiver.Archived()) throw std::runtime_error("not archived");
    }
}

// A file with the million readings, made once.
const std::string& FilledArchive() {
    static const std::string path = [] {
        std::filesystem::create_directories(BenchFolder());
        const std::string p = BenchFolder() + "/filled.sqlite3";
        Archive(p);
        return p;
    }();
    return path;
}

void BM_ArchiveMillionReadings(benchmark::State& state) {
    std::filesystem::create_directories(BenchFolder());
    const std::string path = BenchFolder() + "/archive.sqlite3";
    BenchMillionLines();
    for (auto _ : state) Archive(path, state.range(0) != 0);
    state.SetItemsProcessed(state.iterations() * kReadings);
    // The file's own size once the journal is folded in, per reading.
    {
        auto archive = archive::OpenSqliteArchive(path);
    }
    std::uintmax_t bytes = std::filesystem::file_size(path);
    if (std::filesystem::exists(path + "-wal")) bytes += std::filesystem::file_size(path + "-wal");
    state.counters["bytes_per_reading"] = static_cast<double>(bytes) / kReadings;
}
// Arg 0: through the archiver as a download does (the 2 s target); 1: one transaction per chunk.
BENCHMARK(BM_ArchiveMillionReadings)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_VerifyMillionReadings(benchmark::State& state) {
    auto archive = archive::OpenSqliteArchive(FilledArchive());
    for (auto _ : state) {
        const archive::TVerifyResult result = archive->Verify();
        if (!result.Sound() || result.Readings != kReadings) state.SkipWithError("the chains do not check out");
    }
    state.SetItemsProcessed(state.iterations() * kReadings);
}
BENCHMARK(BM_VerifyMillionReadings)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ReadMillionLines(benchmark::State& state) {
    auto archive = archive::OpenSqliteArchive(FilledArchive());
    const std::int64_t id = *archive->FindRecording(Key);
    for (auto _ : state) {
        const TLineStore lines = archive->ReadingLines(id);
        if (lines.Count() != static_cast<std::size_t>(kReadings)) state.SkipWithError("lines missing");
    }
    state.SetItemsProcessed(state.iterations() * kReadings);
}
BENCHMARK(BM_ReadMillionLines)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The archive dialog's and `archive list`'s summary of every recording: read from the stored
// counts, not from the readings.
void BM_ListRecordings(benchmark::State& state) {
    auto archive = archive::OpenSqliteArchive(FilledArchive());
    for (auto _ : state) {
        const auto recordings = archive->Recordings();
        if (recordings.size() != 1 || recordings[0].Readings != kReadings) state.SkipWithError("wrong summary");
    }
}
BENCHMARK(BM_ListRecordings)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(BenchFolder());
    return 0;
}

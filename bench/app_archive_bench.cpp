// The main window opening a recording of the archive: 1,000,000 readings read from a real SQLite
// file into the data panel, parsed into both series and drawn once, offscreen. Target: under
// 0.5 s. The archive is filled once before the timing, as one download of 40,000-reading chunks.
// The window's part alone (no archive) is timed beside it.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/memo_view.h"
#include "app/scripted_dialogs.h"
#include "archive/sqlite_archive.h"
#include "bench/data_bench_lines.h"

namespace {

// A file at `path` holding one recording of `count` readings, archived as one download of
// 40,000-reading chunks; returns the recording.
archive::TRecordingSummary FillArchive(const std::string& path, long count) {
    const auto store = archive::OpenSqliteArchive(path);
    const archive::TActor actor = archive::TActor::Current("bench");
    archive::TDownloadInfo info;
    info.Actor = actor;
    const archive::TRecordingKey key{"KX-15-1", LoggerFormat().TextToDateTime("2017-03-05 00:00:00"), 60};
    const std::int64_t download = store->BeginDownload(key, info);
    std::vector<TStoredReading> chunk;
    for (long i = 0; i < count; ++i) {
        chunk.push_back({i, BenchReadingLine(i), TReadingState::Clean});
        if (chunk.size() == 40000 || i + 1 == count) {
            store->AddReadings(download, chunk);
            chunk.clear();
        }
    }
    store->FinishDownload(download, {}, actor);
    archive::TRecordingSummary recording;
    recording.Id = *store->FindRecording(key);
    recording.Key = key;
    return recording;
}

// The window at its usual size, shown offscreen, with its settings in `dir`.
struct TShownForm {
    explicit TShownForm(const QTemporaryDir& dir)
        : Form(TForm1::TEnvironment{dir.filePath(QStringLiteral("lorv304d")).toStdString(), Dialogs}) {
        Form.resize(1285, 762);
        Form.show();
        QCoreApplication::processEvents();
    }
    std::shared_ptr<TScriptedDialogs> Dialogs = std::make_shared<TScriptedDialogs>();
    TForm1 Form;
};

void BM_WindowOpenArchivedRecording(benchmark::State& state) {
    const long count = static_cast<long>(state.range(0));
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("archive.sqlite3")).toStdString();
    const archive::TRecordingSummary recording = FillArchive(path, count);
    setenv("LORV304D_ARCHIVE", path.c_str(), 1);
    TShownForm shown(dir);
    TForm1& form = shown.Form;

    for (auto _ : state) {
        const int draws = form.Chart->DrawCount();
        form.OpenArchivedRecording(recording);
        form.Chart->repaint();
        if (form.Memo2->Lines().Count() != static_cast<std::size_t>(count) ||
            form.Chart->Series2.Count() != static_cast<std::size_t>(count) || form.Chart->DrawCount() != draws + 1 ||
            !shown.Dialogs->Messages.empty()) {
            state.SkipWithError("the recording was not loaded, parsed and drawn");
            break;
        }
        state.PauseTiming();
        form.ClearData();  // each run starts from an empty window
        state.ResumeTiming();
    }
    unsetenv("LORV304D_ARCHIVE");
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_WindowOpenArchivedRecording)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The window's own part of the opening, without the archive: the lines (read once from the file)
// handed to the data panel, parsed into both series and drawn. The archive's part is
// archive_bench's BM_ReadMillionLines.
void BM_WindowLoadArchivedLines(benchmark::State& state) {
    const long count = static_cast<long>(state.range(0));
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("archive.sqlite3")).toStdString();
    const std::int64_t recordingId = FillArchive(path, count).Id;
    const TLineStore read = archive::OpenSqliteArchive(path)->ReadingLines(recordingId);
    TShownForm shown(dir);
    TForm1& form = shown.Form;

    for (auto _ : state) {
        state.PauseTiming();
        form.ClearData();
        TLineStore lines = read;
        state.ResumeTiming();
        form.Memo2->SetStore(std::move(lines));
        form.ParseDataLines();
        form.Chart->repaint();
        if (form.Chart->Series2.Count() != static_cast<std::size_t>(count)) {
            state.SkipWithError("the lines were not parsed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_WindowLoadArchivedLines)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

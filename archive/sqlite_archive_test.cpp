#include "archive/sqlite_archive.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>

#include "archive/archive_error.h"
#include "archive/download_archiver.h"
#include "archive/log_import.h"
#include "base/testing/file_bytes.h"
#include "base/testing/temp_folder.h"
#include "base/testing/unprivileged_child.h"
#include "data/data_file.h"

namespace archive {
void PrintTo(const TFinding& f, std::ostream* out) { *out << FindingName(f.Kind) << " " << f.Id; }
}  // namespace archive

namespace {

using namespace archive;

const TRecordingKey Key{"KX-15-1", EncodeDate(2017, 3, 5) + EncodeTime(14, 0, 0), 60};

// The reading line of index `i` of Key: its time and two temperatures in 8-character fields.
std::string Line(std::int64_t i, double t1 = 21.5, double t2 = 19.0) {
    char fields[32];
    std::snprintf(fields, sizeof fields, "%8.1f%8.1f", t1, t2);
    return LoggerFormat().DateTimeToText(Key.Start + SecondsToDays(static_cast<double>(i * 60))) + fields;
}

TStoredReading Clean(std::int64_t i, double t1 = 21.5) { return {i, Line(i, t1), TReadingState::Clean}; }
TStoredReading Damaged(std::int64_t i) { return {i, Line(i).substr(0, 30) + "#", TReadingState::Damaged}; }

std::vector<TStoredReading> Range(std::int64_t first, std::int64_t count) {
    std::vector<TStoredReading> list;
    for (std::int64_t i = first; i < first + count; ++i) list.push_back(Clean(i));
    return list;
}

TDownloadInfo Info() {
    TDownloadInfo info;
    info.Actor = TActor{1700000000, 3600, "host", "user", "test 1.0"};
    info.Port = "/dev/pts/9";
    info.Status.RecStart = Key.Start;
    info.Status.IntervalSeconds = 60;
    info.Status.Clock = Key.Start + 1;
    info.Status.ClockReadAt = Key.Start + 1;
    info.Status.Battery = "3012";
    return info;
}

void Sql(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

std::string SqlText(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* s = nullptr;
    std::string text;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
        text = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
    sqlite3_close(db);
    return text;
}

class ArchiveTest : public ::testing::Test {
  protected:
    TTempFolder folder_{"lorv_archive"};
    std::string path_ = folder_.File("a/archive.sqlite3");
};

// --- merging ---

struct TMergeRow {
    const char* Name;
    std::vector<TStoredReading> Before;
    std::vector<TStoredReading> Again;
    TChunkResult Result;
    std::string Held;      // the line held for index 3 afterwards
    std::int64_t Damaged;  // summary counts afterwards
    std::int64_t Conflicts;
    std::vector<TEventKind> Events;  // merge events of the second chunk
};

class MergeTest : public ArchiveTest, public ::testing::WithParamInterface<TMergeRow> {};

// The archive after the row's two chunks: its counts, the line held for index 3, the events and
// the chains.
void ExpectMerged(TArchive& archive, const TMergeRow& row) {
    const auto summary = archive.Recording(*archive.FindRecording(Key));
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->Readings, 5);
    EXPECT_EQ(summary->Damaged, row.Damaged);
    EXPECT_EQ(summary->Conflicts, row.Conflicts);
    const TLineStore lines = archive.ReadingLines(summary->Id);
    ASSERT_EQ(lines.Count(), 5u);
    EXPECT_EQ(std::string(lines[3]), row.Held);
    std::vector<TEventKind> kinds;
    for (const TEvent& e : archive.Events()) kinds.push_back(e.Kind());
    EXPECT_EQ(kinds, row.Events);
    EXPECT_TRUE(archive.Verify().Sound());
}

TEST_P(MergeTest, SecondChunk) {
    const TMergeRow& row = GetParam();
    auto archive = OpenSqliteArchive(path_);
    const std::int64_t first = archive->BeginDownload(Key, Info());
    archive->AddReadings(first, row.Before);
    const std::int64_t second = archive->BeginDownload(Key, Info());
    EXPECT_EQ(archive->AddReadings(second, row.Again), row.Result);
    ExpectMerged(*archive, row);
}

std::vector<TStoredReading> With(std::vector<TStoredReading> list, const TStoredReading& at3) {
    list[3] = at3;
    return list;
}

INSTANTIATE_TEST_SUITE_P(
    Archive, MergeTest,
    ::testing::Values(
        TMergeRow{"SameReadingsAgain", Range(0, 5), Range(0, 5), {0, 0, 0, 5}, Line(3), 0, 0, {}},
        TMergeRow{"OverlapAddsOnlyNew", Range(0, 3), Range(2, 3), {2, 0, 0, 1}, Line(3), 0, 0, {}},
        TMergeRow{"DamagedReplacedByClean", With(Range(0, 5), Damaged(3)), Range(0, 5), {0, 1, 0, 4}, Line(3), 0, 0,
                  {TEventKind::Replaced}},
        TMergeRow{"OffTimeReplacedByClean", With(Range(0, 5), {3, Line(3, 1.0), TReadingState::OffTime}), Range(0, 5),
                  {0, 1, 0, 4}, Line(3), 0, 0, {TEventKind::Replaced}},
        TMergeRow{"CleanNotReplacedByDamaged", Range(0, 5), With(Range(0, 5), Damaged(3)), {0, 0, 0, 5}, Line(3), 0, 0,
                  {}},
        TMergeRow{"DamagedStaysWhenDamagedAgain", With(Range(0, 5), Damaged(3)),
                  With(Range(0, 5), {3, "other damage", TReadingState::Damaged}), {0, 0, 0, 5},
                  Damaged(3).Line, 1, 0, {}},
        TMergeRow{"CleanConflictKeepsBoth", Range(0, 5), With(Range(0, 5), Clean(3, 30.0)), {0, 0, 1, 4}, Line(3), 0,
                  1, {TEventKind::Conflict}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ArchiveTest, MergeEventsNameTheLines) {
    auto archive = OpenSqliteArchive(path_);
    archive->AddReadings(archive->BeginDownload(Key, Info()), {Damaged(7)});
    archive->AddReadings(archive->BeginDownload(Key, Info()), {Clean(7)});
    archive->AddReadings(archive->BeginDownload(Key, Info()), {Clean(7, 30.0)});
    const auto events = archive->Events();
    ASSERT_EQ(events.size(), 2u);
    const auto& replaced = std::get<TReadingReplaced>(events[0].Details);
    EXPECT_EQ(replaced.Index, 7);
    EXPECT_EQ(replaced.OldLine, Damaged(7).Line);
    EXPECT_EQ(replaced.NewLine, Line(7));
    EXPECT_EQ(replaced.OldState, TReadingState::Damaged);
    const auto& conflict = std::get<TReadingConflict>(events[1].Details);
    EXPECT_EQ(conflict.ArchivedLine, Line(7));
    EXPECT_EQ(conflict.NewLine, Line(7, 30.0));
    const std::int64_t id = *archive->FindRecording(Key);
    ASSERT_EQ(archive->Conflicts(id).size(), 1u);
    EXPECT_EQ(archive->Conflicts(id)[0].Other->Line, Line(7, 30.0));
}

// --- what the archive gives back ---

TEST_F(ArchiveTest, DownloadsReadingsAndIndicesComeBack) {
    auto archive = OpenSqliteArchive(path_);
    const std::int64_t download = archive->BeginDownload(Key, Info());
    std::vector<TStoredReading> held = Range(0, 10);
    held.erase(held.begin() + 4, held.begin() + 7);  // 4, 5, 6 not received
    held[8 - 3] = Damaged(8);
    archive->AddReadings(download, held);
    const std::int64_t id = *archive->FindRecording(Key);

    auto summary = *archive->Recording(id);
    EXPECT_EQ(summary.Readings, 7);
    EXPECT_EQ(summary.Missing, 3);
    EXPECT_EQ(summary.Damaged, 1);
    EXPECT_EQ(summary.Downloads, 1);
    EXPECT_EQ(*summary.First, Key.Start);
    EXPECT_EQ(SecondsBetween(Key.Start, *summary.Last), 9 * 60);
    EXPECT_EQ(archive->Gaps(id), (std::vector<TIndexRange>{{4, 6}}));
    EXPECT_EQ(archive->WantedIndices(Key, 2, 12), (std::vector<TIndexRange>{{4, 6}, {8, 8}, {10, 11}}));
    EXPECT_EQ(archive->WantedIndices(TRecordingKey{"KX-15-1", Key.Start, 30}, 2, 5),
              (std::vector<TIndexRange>{{2, 4}}));
    EXPECT_EQ(archive->UnarchivedCount(Key, 12), 5);  // 4, 5, 6, 10, 11: a damaged reading is kept
    EXPECT_EQ(archive->UnarchivedCount(TRecordingKey{"other", Key.Start, 60}, 12), 12);

    ASSERT_TRUE(archive->Downloads(id).at(0).Interrupted());
    TDownloadReport report;
    report.First = 0;
    report.End = 9;
    report.Next = 10;
    report.ReadingsStored = 7;
    report.Missing = {4, 5, 6};
    report.DamagedKept = {8};
    archive->FinishDownload(download, report, Info().Actor);
    const TDownloadRecord record = archive->Downloads(id).at(0);
    ASSERT_FALSE(record.Interrupted());
    EXPECT_EQ(record.Report->Missing, report.Missing);
    EXPECT_EQ(record.Report->DamagedKept, report.DamagedKept);
    EXPECT_EQ(record.ReadingsAdded, 7);
    EXPECT_EQ(record.Info.Status.Battery, "3012");
    EXPECT_EQ(record.Info.Port, "/dev/pts/9");

    const auto readings = archive->Readings(id);
    ASSERT_EQ(readings.size(), 7u);
    EXPECT_FLOAT_EQ(readings[0].Channel1, 21.5f);
    EXPECT_EQ(readings[5].State, TReadingState::Damaged);
}

TEST_F(ArchiveTest, LinesAreTheDataFileOfACleanDownload) {
    auto archive = OpenSqliteArchive(path_);
    const std::int64_t download = archive->BeginDownload(Key, Info());
    // Chunks out of order and overlapping: the lines still come in index order, each once.
    archive->AddReadings(download, Range(24, 24));
    archive->AddReadings(download, Range(0, 30));
    TLineStore expected;
    for (const TStoredReading& r : Range(0, 48)) expected.Append(r.Line);
    EXPECT_EQ(readings::JoinTextLines(archive->ReadingLines(*archive->FindRecording(Key))),
              readings::JoinTextLines(expected));
}

// --- tamper evidence ---

struct TTamperRow {
    const char* Name;
    const char* Sql;
    std::vector<TFinding> Findings;
};

class TamperTest : public ArchiveTest, public ::testing::WithParamInterface<TTamperRow> {};

TEST_P(TamperTest, VerifyNamesTheRow) {
    {
        auto archive = OpenSqliteArchive(path_);
        const std::int64_t download = archive->BeginDownload(Key, Info());
        archive->AddReadings(download, Range(0, 24));
        archive->AddReadings(download, Range(24, 24));
        archive->FinishDownload(download, TDownloadReport{}, Info().Actor);
        archive->AddEvent(Info().Actor, std::nullopt, TReadingsExported{"x.log", "log", false, 48});
        archive->AddEvent(Info().Actor, std::nullopt, TReadingsExported{"y.log", "log", false, 48});
        ASSERT_TRUE(archive->Verify().Sound());
    }
    Sql(path_, GetParam().Sql);
    EXPECT_EQ(OpenSqliteArchive(path_)->Verify().Findings, GetParam().Findings);
}

INSTANTIATE_TEST_SUITE_P(
    Archive, TamperTest,
    ::testing::Values(
        TTamperRow{"LineChanged", "UPDATE readings SET line = CAST('x' AS BLOB) || line WHERE id = 30",
                   {{TFindingKind::ReadingAltered, 30}}},
        TTamperRow{"TemperatureChanged", "UPDATE readings SET t1 = 5.0 WHERE id = 3",
                   {{TFindingKind::ReadingAltered, 3}}},
        TTamperRow{"ReadingRemoved", "DELETE FROM readings WHERE id = 12", {{TFindingKind::ReadingMissing, 12}}},
        TTamperRow{"ReadingInserted",
                   "INSERT INTO readings(recording, idx, state, time, line, digest) "
                   "SELECT recording, 99, 0, time, line, digest FROM readings WHERE id = 1",
                   {{TFindingKind::ReadingInserted, 49}}},
        TTamperRow{"ChunkShortened", "UPDATE chunks SET readings = 23 WHERE id = 2",
                   {{TFindingKind::ReadingInserted, 48}, {TFindingKind::ChunkAltered, 2}}},
        TTamperRow{"EventChanged", "UPDATE events SET user = 'someone' WHERE id = 2",
                   {{TFindingKind::EventAltered, 2}}},
        TTamperRow{"EventRemoved", "DELETE FROM events WHERE id = 2", {{TFindingKind::EventMissing, 2}}},
        TTamperRow{"EventInserted",
                   "INSERT INTO events(kind, when_utc, utc_offset_s, computer, user, program, details, hash) "
                   "VALUES('erase', 0, 0, 'h', 'u', 'p', '{}', x'00')",
                   {{TFindingKind::EventInserted, 4}}},
        TTamperRow{"RecordingChanged", "UPDATE recordings SET model = 'KX-15-2'",
                   {{TFindingKind::RecordingAltered, 1}}},
        TTamperRow{"DownloadChanged", "UPDATE downloads SET port = '/dev/ttyUSB0'",
                   {{TFindingKind::DownloadAltered, 1}}}),
    [](const auto& info) { return std::string(info.param.Name); });

// --- the file itself ---

TEST_F(ArchiveTest, AFileThatIsNoArchiveIsLeftAsItIs) {
    struct TCase {
        const char* Name;
        TArchiveErrorKind Kind;
    };
    std::filesystem::create_directories(folder_.File("a"));
    {
        std::string noise(5000, 'x');
        for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 7 + 3);
        WriteFileBytes(path_, noise);
        EXPECT_THROW(
            {
                try {
                    OpenSqliteArchive(path_);
                } catch (const EArchiveError& e) {
                    EXPECT_EQ(e.Kind(), TArchiveErrorKind::NotADatabase) << e.what();
                    throw;
                }
            },
            EArchiveError);
        EXPECT_EQ(ReadFileBytes(path_), noise);
        EXPECT_FALSE(std::filesystem::exists(path_ + "-wal"));
    }
    {
        const std::string other = folder_.File("other.sqlite3");
        Sql(other, "CREATE TABLE t(x); INSERT INTO t VALUES(1)");
        const std::string bytes = ReadFileBytes(other);
        try {
            OpenSqliteArchive(other);
            ADD_FAILURE() << "opened another program's database";
        } catch (const EArchiveError& e) {
            EXPECT_EQ(e.Kind(), TArchiveErrorKind::Damaged);
        }
        EXPECT_EQ(ReadFileBytes(other), bytes);
    }
}

TEST_F(ArchiveTest, AReadOnlyFolderIsReadOnly) {
    std::filesystem::create_directories(folder_.File("a"));
    std::filesystem::permissions(folder_.File("a"), std::filesystem::perms::owner_all |
                                                        std::filesystem::perms::others_read |
                                                        std::filesystem::perms::others_exec);
    std::filesystem::permissions(folder_.Path(), std::filesystem::perms::all);
    const std::string kind = RunInUnprivilegedChild([&] {
        try {
            OpenSqliteArchive(path_);
            return std::string("opened");
        } catch (const EArchiveError& e) {
            return std::to_string(static_cast<int>(e.Kind()));
        }
    });
    EXPECT_EQ(kind, std::to_string(static_cast<int>(TArchiveErrorKind::ReadOnly)));
}

TEST_F(ArchiveTest, FolderIsMadePrivate) {
    OpenSqliteArchive(path_);
    const auto perms = std::filesystem::status(folder_.File("a")).permissions();
    EXPECT_EQ(perms & std::filesystem::perms::all, std::filesystem::perms::owner_all);
}

// A child that archives `chunks` chunks of 24 readings as fast as it can until killed or done:
// straight into the archive, one transaction each, or through a TDownloadArchiver as a download does.
pid_t ArchiveInChild(const std::string& path, const TRecordingKey& key, std::int64_t chunks, bool archiver = false) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    try {
        auto archive = OpenSqliteArchive(path);
        std::optional<TDownloadArchiver> through;
        std::int64_t download = 0;
        if (archiver) {
            through.emplace(archive.get());
            through->Begin(key, Info());
        } else {
            download = archive->BeginDownload(key, Info());
        }
        for (std::int64_t c = 0; c < chunks; ++c) {
            std::vector<TStoredReading> chunk;
            for (std::int64_t i = c * 24; i < c * 24 + 24; ++i)
                chunk.push_back({i, Line(i), TReadingState::Clean});
            through ? through->Chunk(chunk) : (void)archive->AddReadings(download, chunk);
        }
        if (through) {
            through->Finish(TDownloadReport{}, Info().Actor);
            if (!through->Archived()) ::_exit(1);
        } else {
            archive->FinishDownload(download, TDownloadReport{}, Info().Actor);
        }
    } catch (...) {
        ::_exit(1);
    }
    ::_exit(0);
}

TEST_F(ArchiveTest, KilledInTheMiddleLosesNoCommittedChunk) {
    OpenSqliteArchive(path_);
    const pid_t child = ArchiveInChild(path_, Key, 1000000, true);
    // Let it commit a few times, then kill it wherever it is.
    for (int i = 0; i < 4000 && std::atoll(SqlText(path_, "SELECT count(*) FROM chunks").c_str()) < 3; ++i)
        ::usleep(5000);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(SqlText(path_, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(SqlText(path_, "SELECT count(*) FROM chunks c WHERE readings <> (SELECT count(*) FROM readings r "
                             "WHERE r.id >= c.first_reading AND r.id < c.first_reading + c.readings)"),
              "0");
    // What was committed is whole download chunks from the first on, with nothing left out.
    EXPECT_EQ(SqlText(path_, "SELECT count(*) = max(idx) + 1 AND min(idx) = 0 FROM readings"), "1");
    auto archive = OpenSqliteArchive(path_);
    EXPECT_TRUE(archive->Verify().Sound());
    const auto downloads = archive->Downloads(*archive->FindRecording(Key));
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_TRUE(downloads[0].Interrupted());
    EXPECT_GE(downloads[0].ReadingsAdded, 3 * 24);
    EXPECT_EQ(downloads[0].ReadingsAdded % 24, 0);
}

TEST_F(ArchiveTest, TwoWritersAtOnce) {
    OpenSqliteArchive(path_);
    const TRecordingKey other{"KX-15-1", Key.Start + 1, 60};
    const pid_t a = ArchiveInChild(path_, Key, 200);
    const pid_t b = ArchiveInChild(path_, other, 200);
    int statusA = 0, statusB = 0;
    ::waitpid(a, &statusA, 0);
    ::waitpid(b, &statusB, 0);
    EXPECT_EQ(WEXITSTATUS(statusA), 0);
    EXPECT_EQ(WEXITSTATUS(statusB), 0);
    auto archive = OpenSqliteArchive(path_);
    EXPECT_TRUE(archive->Verify().Sound());
    for (const TRecordingSummary& s : archive->Recordings()) EXPECT_EQ(s.Readings, 200 * 24);
    EXPECT_EQ(archive->Events().size(), 2u);
}

// --- the stored counts of each recording ---

// A summary as one comparable text.
std::string SummaryText(const TRecordingSummary& s) {
    auto time = [](const std::optional<TDateTime>& t) { return t ? LoggerFormat().DateTimeToText(*t) : "-"; };
    return std::to_string(s.Id) + " readings " + std::to_string(s.Readings) + " damaged " + std::to_string(s.Damaged) +
           " missing " + std::to_string(s.Missing) + " conflicts " + std::to_string(s.Conflicts) + " downloads " +
           std::to_string(s.Downloads) + " last " + std::to_string(s.LastDownloadUnix.value_or(-1)) + " from " +
           time(s.First) + " to " + time(s.Last);
}

std::vector<std::string> SummaryTexts(TArchive& archive) {
    std::vector<std::string> texts;
    for (const TRecordingSummary& s : archive.Recordings()) texts.push_back(SummaryText(s));
    return texts;
}

// The archiver commits several chunks at once, so an index may come twice in one commit (a
// damaged reading and its clean copy asked for again): the result is the one of two commits, and
// the counts kept agree with a scan of the readings.
TEST_P(MergeTest, SecondChunkInTheSameCommit) {
    const TMergeRow& row = GetParam();
    std::vector<std::string> kept;
    {
        auto archive = OpenSqliteArchive(path_);
        std::vector<TStoredReading> both = row.Before;
        both.insert(both.end(), row.Again.begin(), row.Again.end());
        archive->AddReadings(archive->BeginDownload(Key, Info()), both);
        ExpectMerged(*archive, row);
        kept = SummaryTexts(*archive);
    }
    Sql(path_, "DROP TABLE recording_counts; PRAGMA user_version = 1");
    EXPECT_EQ(SummaryTexts(*OpenSqliteArchive(path_)), kept);
}

// The counts kept by each chunk agree with the counts a scan of the readings gives: a file turned
// back into the form without stored counts is migrated on open by such a scan.
TEST_F(ArchiveTest, StoredCountsAgreeWithTheReadings) {
    std::vector<std::string> kept;
    {
        auto archive = OpenSqliteArchive(path_);
        TDownloadInfo later = Info();
        later.Actor.WhenUnix += 600;
        const std::int64_t first = archive->BeginDownload(Key, later);
        // 0-9 with 4-5 not received, 2 damaged, 7 off its time, and the last one damaged.
        std::vector<TStoredReading> chunk = Range(0, 10);
        chunk.erase(chunk.begin() + 4, chunk.begin() + 6);
        chunk[2] = Damaged(2);
        chunk[5] = {7, Line(7, 1.0), TReadingState::OffTime};
        chunk[7] = Damaged(9);
        archive->AddReadings(first, chunk);
        const std::int64_t second = archive->BeginDownload(Key, Info());
        // Again from 1: 2 replaced, 3 in conflict, 7 replaced, 8 damaged is no better.
        archive->AddReadings(second, {Clean(1), Clean(2), Clean(3, 30.0), Clean(7), Damaged(8)});
        // A clean copy whose time does not read replaces the reading that gave the last time.
        archive->AddReadings(second, {{9, "no time here", TReadingState::Clean}});
        EXPECT_EQ(SecondsBetween(Key.Start, *archive->Recording(1)->Last), 8 * 60);
        archive->AddReadings(second, {Clean(12)});  // beyond a gap
        // Before the first: the recording's first time moves.
        archive->ImportReadings(Key, {Clean(-2), Clean(-2, 40.0)}, Info().Actor, TReadingsImported{"x.log", 2, 0, 0});
        // A second recording, untouched by the first's chunks.
        archive->AddReadings(archive->BeginDownload(TRecordingKey{"KX-15-1", Key.Start, 30}, Info()), Range(0, 3));
        kept = SummaryTexts(*archive);
        ASSERT_TRUE(archive->Verify().Sound());
    }
    ASSERT_EQ(kept.size(), 2u);
    const std::string start = LoggerFormat().DateTimeToText(Key.Start);
    EXPECT_EQ(kept[0], "1 readings 10 damaged 0 missing 5 conflicts 2 downloads 2 last 1700000600 from " +
                           LoggerFormat().DateTimeToText(Key.Start - SecondsToDays(120)) + " to " +
                           LoggerFormat().DateTimeToText(Key.Start + SecondsToDays(12 * 60)));
    EXPECT_EQ(kept[1], "2 readings 3 damaged 0 missing 0 conflicts 0 downloads 1 last 1700000000 from " + start + " to " +
                           LoggerFormat().DateTimeToText(Key.Start + SecondsToDays(120)));

    // The form of the previous version: no recording_counts, user_version 1.
    Sql(path_, "DROP TABLE recording_counts; PRAGMA user_version = 1");
    const std::string readingsBefore = SqlText(path_, "SELECT group_concat(hex(digest), '') FROM readings");
    auto archive = OpenSqliteArchive(path_);
    EXPECT_EQ(SqlText(path_, "PRAGMA user_version"), "2");
    EXPECT_EQ(SummaryTexts(*archive), kept);
    EXPECT_EQ(SqlText(path_, "SELECT group_concat(hex(digest), '') FROM readings"), readingsBefore);
    EXPECT_TRUE(archive->Verify().Sound());
    // A counts row removed by hand is made again by the next chunk.
    Sql(path_, "DELETE FROM recording_counts WHERE recording = 1");
    EXPECT_EQ(SummaryTexts(*archive), kept);
    archive->AddReadings(archive->BeginDownload(Key, Info()), {Clean(4)});
    EXPECT_EQ(SqlText(path_, "SELECT readings FROM recording_counts WHERE recording = 1"), "11");
}

TEST(HeldReadingCount, UpToTheEarlierOfClockAndStop) {
    TLoggerStatus status;
    EXPECT_FALSE(HeldReadingCount(status));
    status.RecStart = Key.Start;
    status.IntervalSeconds = 60;
    status.Clock = Key.Start + SecondsToDays(150);
    EXPECT_EQ(HeldReadingCount(status), 3);
    status.RecStop = Key.Start + SecondsToDays(60);
    EXPECT_EQ(HeldReadingCount(status), 2);
    status.Clock = Key.Start - SecondsToDays(1);
    EXPECT_EQ(HeldReadingCount(status), 0);
}

}  // namespace

namespace {

// The hash rule as README states it, checked by an independent program (scripts/check-archive).
TEST_F(ArchiveTest, AnIndependentCheckAgrees) {
    if (std::system("python3 -c 'import sqlite3, hashlib' 2>/dev/null") != 0) GTEST_SKIP() << "no python3";
    {
        auto archive = OpenSqliteArchive(path_);
        const std::int64_t download = archive->BeginDownload(Key, Info());
        archive->AddReadings(download, {Clean(0), Damaged(1), {2, "\x81\xff noise", TReadingState::Damaged}});
        archive->AddReadings(download, {Clean(1), Clean(2, -3.5)});
        // Enough for rows inserted many to a statement, a damaged one (channel 2 stored as NULL)
        // among them, and the rest one by one.
        std::vector<TStoredReading> many = Range(3, 150);
        many[67] = Damaged(70);
        archive->AddReadings(download, many);
        archive->FinishDownload(download, TDownloadReport{}, Info().Actor);
        EXPECT_EQ(archive->ReadingLines(*archive->FindRecording(Key)).Count(), 153u);
    }
    const std::string check = std::string(LORV304D_SOURCE_DIR) + "/scripts/check-archive '" + path_ + "'";
    auto run = [&] {
        std::string output;
        if (FILE* pipe = ::popen(check.c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
            ::pclose(pipe);
        }
        return output;
    };
    EXPECT_EQ(run(), "ok\n");
    Sql(path_, "UPDATE readings SET t2 = 1.0 WHERE id = 4; UPDATE events SET details = '{}' WHERE id = 1");
    EXPECT_EQ(run(), "reading 4 altered\nchunk 2 does not check out\nevent 1 does not check out\n");
}

TEST(PlanImport, PlacesLinesByTheirTime) {
    TLineStore lines;
    lines.Append(Line(0));
    lines.Append(Line(1));
    lines.Append("not a reading");
    lines.Append(Line(3).substr(0, 27) + "   x.5");  // damaged second channel
    lines.Append(LoggerFormat().DateTimeToText(Key.Start + SecondsToDays(4 * 60 + 10)) + "    21.0    19.0");
    lines.Append(Line(6));
    const TImportPlan plan = PlanImport(lines, std::nullopt, std::nullopt);
    EXPECT_EQ(plan.Start, Key.Start);
    EXPECT_EQ(plan.IntervalSeconds, 60);
    EXPECT_EQ(plan.Skipped, 1);
    std::vector<std::pair<std::int64_t, TReadingState>> placed;
    for (const TStoredReading& r : plan.Readings) placed.emplace_back(r.Index, r.State);
    EXPECT_EQ(placed, (std::vector<std::pair<std::int64_t, TReadingState>>{{0, TReadingState::Clean},
                                                                           {1, TReadingState::Clean},
                                                                           {3, TReadingState::Damaged},
                                                                           {4, TReadingState::OffTime},
                                                                           {6, TReadingState::Clean}}));
    // A given start and interval win over the file's own.
    const TImportPlan given = PlanImport(lines, Key.Start - SecondsToDays(120), 120);
    EXPECT_EQ(given.Readings.front().Index, 1);
    EXPECT_EQ(given.Readings[1].State, TReadingState::OffTime);
}

}  // namespace

namespace {

// The readings of the recording Key that another connection sees committed.
std::int64_t CommittedReadings(const std::string& path) {
    return std::atoll(SqlText(path, "SELECT count(*) FROM readings").c_str());
}

TEST_F(ArchiveTest, ArchiverCommitsChunksOnceTheOldestIsDue) {
    auto archive = OpenSqliteArchive(path_);
    std::int64_t now = 1000;
    std::optional<TDownloadArchiver> archiver;
    archiver.emplace(archive.get(), std::nullopt, [&now] { return now; });
    archiver->Begin(Key, Info());
    archiver->Chunk(Range(0, 24));
    now += TDownloadArchiver::MaxDelayMs - 1;
    archiver->Chunk(Range(24, 24));
    EXPECT_EQ(CommittedReadings(path_), 0);
    EXPECT_EQ(archiver->Pending(), 48u);
    EXPECT_FALSE(archiver->Archived());
    // The first chunk that comes once the oldest held is due commits them all.
    now += 1;
    archiver->Chunk(Range(48, 24));
    EXPECT_EQ(CommittedReadings(path_), 72);
    EXPECT_EQ(archiver->Totals().Added, 72);
    EXPECT_EQ(archiver->Pending(), 0u);
    // The time counts from the oldest chunk held, not from the last commit.
    now += 10 * TDownloadArchiver::MaxDelayMs;
    archiver->Chunk(Range(72, 24));
    EXPECT_EQ(CommittedReadings(path_), 72);
    // Many readings are committed whatever the clock says.
    std::int64_t next = 96;
    while (archiver->Pending() + 24 < TDownloadArchiver::MaxReadings) {
        archiver->Chunk(Range(next, 24));
        next += 24;
    }
    EXPECT_EQ(CommittedReadings(path_), 72);
    archiver->Chunk(Range(next, 24));
    next += 24;
    EXPECT_EQ(CommittedReadings(path_), next);
    // Finish commits what is held, then ends the download.
    archiver->Chunk(Range(next, 24));
    archiver->Finish(TDownloadReport{}, Info().Actor);
    EXPECT_TRUE(archiver->Archived());
    EXPECT_EQ(CommittedReadings(path_), next + 24);
    const auto downloads = archive->Downloads(*archive->FindRecording(Key));
    EXPECT_FALSE(downloads.at(0).Interrupted());
    EXPECT_EQ(downloads.at(0).ReadingsAdded, next + 24);

    // A download given up without its end keeps its readings, and shows as interrupted.
    archiver.emplace(archive.get(), std::nullopt, [&now] { return now; });
    archiver->Begin(Key, Info());
    archiver->Chunk(Range(next + 24, 24));
    archiver.reset();
    EXPECT_EQ(CommittedReadings(path_), next + 48);
    EXPECT_TRUE(archive->Downloads(*archive->FindRecording(Key)).at(1).Interrupted());
    EXPECT_TRUE(archive->Verify().Sound());
}

TEST_F(ArchiveTest, AFailingArchiveNeverCostsTheDownload) {
    auto archive = OpenSqliteArchive(path_, 50);
    std::int64_t now = 0;
    TDownloadArchiver archiver(archive.get(), std::nullopt, [&now] { return now; });
    archiver.Begin(Key, Info());
    archiver.Chunk(Range(0, 24));
    now += TDownloadArchiver::MaxDelayMs;
    archiver.Chunk(Range(24, 24));
    ASSERT_EQ(CommittedReadings(path_), 48);
    // Another program holds the write lock longer than the busy time-out allows.
    sqlite3* other = nullptr;
    sqlite3_open(path_.c_str(), &other);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    archiver.Chunk(Range(48, 24));
    now += TDownloadArchiver::MaxDelayMs;
    archiver.Chunk(Range(72, 24));  // the commit of both held chunks fails: neither is archived
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    archiver.Chunk(Range(96, 24));  // not archived: the archive is given up after its first failure
    archiver.Finish(TDownloadReport{}, Info().Actor);
    ASSERT_TRUE(archiver.Failure());
    EXPECT_EQ(archiver.Failure()->Kind(), TArchiveErrorKind::Locked);
    EXPECT_FALSE(archiver.Archived());
    EXPECT_EQ(archiver.Totals().Added, 48);
    EXPECT_EQ(CommittedReadings(path_), 48);
    const auto downloads = archive->Downloads(*archive->FindRecording(Key));
    EXPECT_TRUE(downloads.at(0).Interrupted());
    EXPECT_EQ(downloads.at(0).ReadingsAdded, 48);
    EXPECT_TRUE(archive->Verify().Sound());

    TDownloadArchiver unopened(nullptr, EArchiveError(TArchiveErrorKind::NotADatabase, path_, "file is not a database"));
    unopened.Begin(Key, Info());
    unopened.Chunk(Range(0, 24));
    EXPECT_EQ(unopened.Failure()->Kind(), TArchiveErrorKind::NotADatabase);
}

}  // namespace

#include "archive/sqlite_archive.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <unordered_map>

#include "archive/archive_error.h"
#include "archive/event_json.h"
#include "archive/full_time_text.h"
#include "archive/merge_rule.h"
#include "archive/sha256.h"
#include "archive/sqlite_db.h"
#include "base/file_locations.h"
#include "data/reading_line.h"

namespace archive {

namespace {

// "LRVA" in the file header: this program's archives.
constexpr std::int64_t ApplicationId = 0x4C525641;
// 2 added recording_counts (version 1 files are migrated on open).
constexpr std::int64_t SchemaVersion = 2;
// 1970-01-01 as a day count: stored times are seconds from it (wall-clock times, no zone).
constexpr TDateTime UnixEpochDay = 25569.0;

constexpr const char* Schema = R"sql(
CREATE TABLE recordings(
  id INTEGER PRIMARY KEY, model TEXT NOT NULL, start TEXT NOT NULL, interval_s INTEGER NOT NULL,
  hash BLOB NOT NULL, UNIQUE(model, start, interval_s));
CREATE TABLE downloads(
  id INTEGER PRIMARY KEY, recording INTEGER NOT NULL, when_utc INTEGER NOT NULL, utc_offset_s INTEGER NOT NULL,
  computer TEXT NOT NULL, user TEXT NOT NULL, program TEXT NOT NULL, port TEXT NOT NULL,
  clock TEXT, clock_read_at TEXT, clock_offset_s INTEGER, rec_start TEXT, rec_stop TEXT, stop_answer BLOB,
  interval_s INTEGER, c_answer BLOB, battery BLOB, range_first INTEGER NOT NULL, range_end INTEGER NOT NULL,
  hash BLOB NOT NULL);
CREATE INDEX downloads_by_recording ON downloads(recording);
CREATE TABLE chunks(
  id INTEGER PRIMARY KEY, download INTEGER, first_reading INTEGER NOT NULL, readings INTEGER NOT NULL,
  hash BLOB NOT NULL);
CREATE TABLE readings(
  id INTEGER PRIMARY KEY, recording INTEGER NOT NULL, idx INTEGER NOT NULL, state INTEGER NOT NULL,
  time INTEGER, t1 REAL, t2 REAL, line BLOB NOT NULL, digest BLOB NOT NULL);
CREATE INDEX readings_by_index ON readings(recording, idx);
CREATE TABLE events(
  id INTEGER PRIMARY KEY, kind TEXT NOT NULL, when_utc INTEGER NOT NULL, utc_offset_s INTEGER NOT NULL,
  computer TEXT NOT NULL, user TEXT NOT NULL, program TEXT NOT NULL, recording INTEGER, download INTEGER,
  details TEXT NOT NULL, hash BLOB NOT NULL);
CREATE INDEX events_by_recording ON events(recording);
)sql";

// What a recording's summary needs, kept up to date by the transaction that adds readings or a
// download, so that listing the recordings reads one row each instead of every reading.
constexpr const char* CountsSchema = R"sql(
CREATE TABLE recording_counts(
  recording INTEGER PRIMARY KEY, readings INTEGER NOT NULL, damaged INTEGER NOT NULL, conflicts INTEGER NOT NULL,
  first_idx INTEGER, last_idx INTEGER, first_time_idx INTEGER, first_time INTEGER, last_time_idx INTEGER,
  last_time INTEGER, downloads INTEGER NOT NULL, last_download INTEGER);
)sql";

// One row of recording_counts.
struct TCounts {
    std::int64_t Readings = 0, Damaged = 0, Conflicts = 0, Downloads = 0;
    std::optional<std::int64_t> FirstIndex, LastIndex;
    // The lowest and the highest index whose held reading has a time, and those times.
    std::optional<std::int64_t> FirstTimeIndex, FirstTime, LastTimeIndex, LastTime;
    std::optional<std::int64_t> LastDownload;
};

// What one index adds to its recording's counts.
struct TIndexShare {
    bool Held = false, Damaged = false, Conflict = false;
    std::optional<std::int64_t> Time;  // of the held reading
};


// Seconds since 1970 back to the day count the logger time text converts to (whole days plus the
// fraction of the day, as the text's conversion adds them).
TDateTime TimeOfSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    return UnixEpochDay + static_cast<double>(days) + EncodeTime(static_cast<int>(rest / 3600),
                                                                   static_cast<int>(rest / 60 % 60),
                                                                   static_cast<int>(rest % 60));
}

TDateTime TimeOfText(std::string_view text) { return LoggerFormat().TextToDateTime(text); }

std::optional<std::string> OptionalTimeText(const std::optional<TDateTime>& t) {
    if (!t) return std::nullopt;
    return FullTimeText(*t);
}

std::optional<TDateTime> OptionalTimeOf(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return TimeOfText(*text);
}

TDigest DigestOf(std::string_view bytes) {
    TDigest d{};
    if (bytes.size() == d.size()) std::copy(bytes.begin(), bytes.end(), d.begin());
    return d;
}

// Bytes of an optional value: NULL or the column's type.
void PutOptional(TRowBytes& row, const std::optional<std::int64_t>& v) { v ? row.Int(*v) : row.Null(); }
void PutOptionalText(TRowBytes& row, const std::optional<std::string>& v) { v ? row.Text(*v) : row.Null(); }
void PutOptionalBlob(TRowBytes& row, const std::optional<std::string>& v) { v ? row.Blob(*v) : row.Null(); }

// A column read back into the row bytes by its stored type, so that verify hashes what is there.
void PutColumn(TRowBytes& row, const TStatement& s, int column) {
    switch (s.Type(column)) {
        case SQLITE_NULL: row.Null(); break;
        case SQLITE_INTEGER: row.Int(s.Int(column)); break;
        case SQLITE_FLOAT: row.Real(s.Real(column)); break;
        case SQLITE_TEXT: row.Text(s.Bytes(column)); break;
        default: row.Blob(s.Bytes(column)); break;
    }
}

// Whether a folder can be written by this process.
bool Writable(const std::filesystem::path& folder) { return ::access(folder.c_str(), W_OK) == 0; }

class TSqliteArchive : public TArchive {
  public:
    TSqliteArchive(const std::string& path, int busyTimeoutMs);

    const std::string& Location() const override { return db_.Path(); }
    std::int64_t FindOrAddRecording(const TRecordingKey& key) override;
    std::optional<std::int64_t> FindRecording(const TRecordingKey& key) override;
    std::int64_t BeginDownload(const TRecordingKey& key, const TDownloadInfo& info) override;
    TChunkResult AddReadings(std::int64_t downloadId, const std::vector<TStoredReading>& readings) override;
    void FinishDownload(std::int64_t downloadId, const TDownloadReport& report, const TActor& actor) override;
    TChunkResult ImportReadings(const TRecordingKey& key, const std::vector<TStoredReading>& readings,
                                const TActor& actor, TReadingsImported event) override;
    std::int64_t AddEvent(const TActor& actor, std::optional<std::int64_t> recordingId,
                          const TEventDetails& details) override;
    std::vector<TRecordingSummary> Recordings() override;
    std::optional<TRecordingSummary> Recording(std::int64_t recordingId) override;
    std::vector<TArchivedReading> Readings(std::int64_t recordingId) override;
    TLineStore ReadingLines(std::int64_t recordingId) override;
    std::vector<TIndexRange> WantedIndices(const TRecordingKey& key, std::int64_t first, std::int64_t end) override;
    std::int64_t UnarchivedCount(const TRecordingKey& key, std::int64_t heldCount) override;
    std::vector<TIndexRange> Gaps(std::int64_t recordingId) override;
    std::vector<TReadingIssue> DamagedReadings(std::int64_t recordingId) override;
    std::vector<TReadingIssue> Conflicts(std::int64_t recordingId) override;
    std::vector<TDownloadRecord> Downloads(std::int64_t recordingId) override;
    std::vector<TEvent> Events(std::optional<std::int64_t> recordingId) override;
    TVerifyResult Verify() override;

  private:
    void OpenSchema();
    // Adds recording_counts to a version 1 archive, computed once from its readings. A read-only
    // file is left as it is and its summaries are computed from the readings.
    void Migrate();
    // The counts of a recording from its readings and downloads.
    TCounts CountsByScan(std::int64_t recordingId);
    std::optional<TCounts> StoredCounts(std::int64_t recordingId);
    void WriteCounts(std::int64_t recordingId, const TCounts& counts);
    // The counts of a recording whose row is there.
    void UpdateCounts(std::int64_t recordingId, const TCounts& counts);
    std::int64_t FindOrAddRecordingIn(const TRecordingKey& key);
    std::int64_t RecordingOfDownload(std::int64_t downloadId);
    TChunkResult AddChunk(std::int64_t recordingId, std::optional<std::int64_t> downloadId,
                          const std::vector<TStoredReading>& readings, const TActor& actor);
    std::int64_t AppendEvent(const TActor& actor, std::optional<std::int64_t> recordingId,
                             std::optional<std::int64_t> downloadId, const TEventDetails& details);
    // The time and temperatures of a reading's line as the data layer reads them.
    struct TFields {
        std::optional<std::int64_t> Time;  // seconds since 1970
        float Channel1 = NAN, Channel2 = NAN;
    };
    TFields FieldsOf(std::string_view line) const;
    // A reading row about to be inserted; its line and digest are views that outlive the insert.
    struct TNewRow {
        std::int64_t Id, Index;
        TReadingState State;
        TFields Fields;
        std::string_view Line, Digest;
    };
    static void BindNewRow(TStatement& s, int first, std::int64_t recordingId, const TNewRow& row);
    // Visits the rows of each index of the recording within [first, last] in index order, each
    // index's rows in the order added.
    template <class Visit>
    void ForEachIndex(std::int64_t recordingId, std::int64_t first, std::int64_t last, Visit visit);
    TArchivedReading RowReading(const TStatement& s) const;
    std::optional<TRecordingSummary> Summary(TStatement& recordingRow);
    TDigest ReadingHash(std::int64_t id, std::int64_t recordingId, std::int64_t index, TReadingState state,
                        const TFields& fields, std::string_view line);

    // A prepared statement of `sql` (a string literal), reset, made on first use.
    TStatement& Cached(const char* sql);
    // The id the next row of a hash-chained table gets and the hash it chains to, from `lastSql`
    // (that table's last id and hash); 1 and zeros for an empty table.
    std::pair<std::int64_t, TDigest> ChainTail(const char* lastSql);
    std::int64_t QueryInt(const char* sql);
    // A write transaction. Statements a failed query left running are reset first: SQLite cannot
    // commit while one runs.
    TTransaction Begin();

    TSqliteDb db_;
    std::unordered_map<const char*, std::unique_ptr<TStatement>> statements_;
    TSha256 sha_;
    TRowBytes row_;
    LoggerFormat format_;
    // Whether the file has recording_counts (false only for a version 1 file that could not be
    // migrated).
    bool countsStored_ = true;
    // The recording and the actor of each download this program began or added to.
    struct TDownloadOf {
        std::int64_t RecordingId = 0;
        TActor Actor;
    };
    std::map<std::int64_t, TDownloadOf> downloads_;
    const TDownloadOf& DownloadOf(std::int64_t downloadId);
};

TSqliteArchive::TSqliteArchive(const std::string& path, int busyTimeoutMs) : db_(path) {
    db_.Exec("PRAGMA busy_timeout = " + std::to_string(busyTimeoutMs));
    OpenSchema();
}

TStatement& TSqliteArchive::Cached(const char* sql) {
    std::unique_ptr<TStatement>& statement = statements_[sql];
    if (!statement) {
        statement = std::make_unique<TStatement>(db_, sql);
    } else {
        statement->Reset();
    }
    return *statement;
}

std::pair<std::int64_t, TDigest> TSqliteArchive::ChainTail(const char* lastSql) {
    TStatement& last = Cached(lastSql);
    if (!last.Step()) return {1, TDigest{}};
    std::pair<std::int64_t, TDigest> tail{last.Int(0) + 1, DigestOf(last.Bytes(1))};
    last.Reset();
    return tail;
}

TTransaction TSqliteArchive::Begin() {
    for (auto& [sql, statement] : statements_) statement->Reset();
    return TTransaction(db_);
}

std::int64_t TSqliteArchive::QueryInt(const char* sql) {
    TStatement& s = Cached(sql);
    const std::int64_t value = s.Step() ? s.Int(0) : 0;
    s.Reset();
    return value;
}

void TSqliteArchive::OpenSchema() {
    // Reading the schema is the first read of the file: a file that is no database fails here,
    // before anything is written.
    const std::int64_t tables = QueryInt("SELECT count(*) FROM sqlite_master");
    const std::int64_t applicationId = QueryInt("PRAGMA application_id");
    if (tables == 0 && applicationId == 0) {
        db_.Exec("PRAGMA journal_mode = WAL");
        TTransaction transaction = Begin();
        if (QueryInt("SELECT count(*) FROM sqlite_master") == 0) {
            db_.Exec(Schema);
            db_.Exec(CountsSchema);
            db_.Exec("PRAGMA application_id = " + std::to_string(ApplicationId));
            db_.Exec("PRAGMA user_version = " + std::to_string(SchemaVersion));
        }
        transaction.Commit();
    } else if (applicationId != ApplicationId) {
        throw EArchiveError(TArchiveErrorKind::Damaged, db_.Path(), "database is not an archive of this program");
    }
    const std::int64_t version = QueryInt("PRAGMA user_version");
    if (version > SchemaVersion)
        throw EArchiveError(TArchiveErrorKind::Other, db_.Path(), "archive made by a newer version of the program");
    TStatement& mode = Cached("PRAGMA journal_mode");
    const bool wal = mode.Step() && mode.Bytes(0) == "wal";
    mode.Reset();
    if (!wal) db_.Exec("PRAGMA journal_mode = WAL");
    db_.Exec("PRAGMA synchronous = NORMAL");
    // Room for the pages a commit of many chunks touches (the default holds 2 MB).
    db_.Exec("PRAGMA cache_size = -16384");
    if (version < SchemaVersion) Migrate();
}

void TSqliteArchive::Migrate() {
    try {
        TTransaction transaction = Begin();
        // Another program may have migrated it since this one read the version.
        if (QueryInt("PRAGMA user_version") < 2) {
            db_.Exec(CountsSchema);
            std::vector<std::int64_t> ids;
            TStatement& s = Cached("SELECT id FROM recordings ORDER BY id");
            while (s.Step()) ids.push_back(s.Int(0));
            for (const std::int64_t id : ids) WriteCounts(id, CountsByScan(id));
            db_.Exec("PRAGMA user_version = 2");
        }
        transaction.Commit();
    } catch (const EArchiveError& e) {
        // Only a file this program cannot write is read without the counts: a writer that skipped
        // them could leave another program's migrated counts wrong.
        if (e.Kind() != TArchiveErrorKind::ReadOnly) throw;
        countsStored_ = false;
    }
}

void TSqliteArchive::UpdateCounts(std::int64_t recordingId, const TCounts& c) {
    TStatement& s = Cached("UPDATE recording_counts SET readings = ?2, damaged = ?3, conflicts = ?4, first_idx = ?5, "
                           "last_idx = ?6, first_time_idx = ?7, first_time = ?8, last_time_idx = ?9, last_time = ?10 "
                           "WHERE recording = ?1");
    s.Bind(1, recordingId).Bind(2, c.Readings).Bind(3, c.Damaged).Bind(4, c.Conflicts).Bind(5, c.FirstIndex);
    s.Bind(6, c.LastIndex).Bind(7, c.FirstTimeIndex).Bind(8, c.FirstTime).Bind(9, c.LastTimeIndex).Bind(10, c.LastTime);
    s.Run();
}

std::optional<TCounts> TSqliteArchive::StoredCounts(std::int64_t recordingId) {
    if (!countsStored_) return std::nullopt;
    TStatement& s = Cached("SELECT readings, damaged, conflicts, first_idx, last_idx, first_time_idx, first_time, "
                           "last_time_idx, last_time, downloads, last_download FROM recording_counts WHERE recording = ?1");
    s.Bind(1, recordingId);
    if (!s.Step()) return std::nullopt;
    TCounts c;
    c.Readings = s.Int(0);
    c.Damaged = s.Int(1);
    c.Conflicts = s.Int(2);
    c.FirstIndex = s.OptionalInt(3);
    c.LastIndex = s.OptionalInt(4);
    c.FirstTimeIndex = s.OptionalInt(5);
    c.FirstTime = s.OptionalInt(6);
    c.LastTimeIndex = s.OptionalInt(7);
    c.LastTime = s.OptionalInt(8);
    c.Downloads = s.Int(9);
    c.LastDownload = s.OptionalInt(10);
    s.Reset();
    return c;
}

void TSqliteArchive::WriteCounts(std::int64_t recordingId, const TCounts& c) {
    TStatement& s = Cached("INSERT OR REPLACE INTO recording_counts(recording, readings, damaged, conflicts, first_idx, "
                           "last_idx, first_time_idx, first_time, last_time_idx, last_time, downloads, last_download) "
                           "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)");
    s.Bind(1, recordingId).Bind(2, c.Readings).Bind(3, c.Damaged).Bind(4, c.Conflicts).Bind(5, c.FirstIndex);
    s.Bind(6, c.LastIndex).Bind(7, c.FirstTimeIndex).Bind(8, c.FirstTime).Bind(9, c.LastTimeIndex);
    s.Bind(10, c.LastTime).Bind(11, c.Downloads).Bind(12, c.LastDownload);
    s.Run();
}

std::optional<std::int64_t> TSqliteArchive::FindRecording(const TRecordingKey& key) {
    TStatement& s = Cached("SELECT id FROM recordings WHERE model = ?1 AND start = ?2 AND interval_s = ?3");
    const std::string start = FullTimeText(key.Start);
    s.BindText(1, key.Model).BindText(2, start).Bind(3, key.IntervalSeconds);
    if (!s.Step()) return std::nullopt;
    const std::int64_t id = s.Int(0);
    s.Reset();
    return id;
}

std::int64_t TSqliteArchive::FindOrAddRecordingIn(const TRecordingKey& key) {
    if (const auto id = FindRecording(key)) return *id;
    const std::int64_t id = QueryInt("SELECT coalesce(max(id), 0) + 1 FROM recordings");
    const std::string start = FullTimeText(key.Start);
    row_.Clear();
    row_.Int(id).Text(key.Model).Text(start).Int(key.IntervalSeconds);
    sha_.Add(row_.Bytes());
    const TDigest hash = sha_.Finish();
    TStatement& s = Cached("INSERT INTO recordings(id, model, start, interval_s, hash) VALUES(?1, ?2, ?3, ?4, ?5)");
    s.Bind(1, id).BindText(2, key.Model).BindText(3, start).Bind(4, key.IntervalSeconds).BindBlob(5, ViewOf(hash));
    s.Run();
    if (countsStored_) WriteCounts(id, TCounts{});
    return id;
}

std::int64_t TSqliteArchive::FindOrAddRecording(const TRecordingKey& key) {
    TTransaction transaction = Begin();
    const std::int64_t id = FindOrAddRecordingIn(key);
    transaction.Commit();
    return id;
}

std::int64_t TSqliteArchive::BeginDownload(const TRecordingKey& key, const TDownloadInfo& info) {
    TTransaction transaction = Begin();
    const std::int64_t recordingId = FindOrAddRecordingIn(key);
    const std::int64_t id = QueryInt("SELECT coalesce(max(id), 0) + 1 FROM downloads");
    const TLoggerStatus& st = info.Status;
    const auto clock = OptionalTimeText(st.Clock);
    const auto readAt = OptionalTimeText(st.ClockReadAt);
    const auto offset = st.ClockOffsetSeconds();
    const auto recStart = OptionalTimeText(st.RecStart);
    const auto recStop = OptionalTimeText(st.RecStop);
    const std::optional<std::string> stopAnswer =
        st.StopAnswer.empty() ? std::nullopt : std::optional<std::string>(st.StopAnswer);
    const TActor& a = info.Actor;
    row_.Clear();
    row_.Int(id).Int(recordingId).Int(a.WhenUnix).Int(a.UtcOffsetSeconds).Text(a.Computer).Text(a.User);
    row_.Text(a.ProgramVersion).Text(info.Port);
    PutOptionalText(row_, clock);
    PutOptionalText(row_, readAt);
    PutOptional(row_, offset);
    PutOptionalText(row_, recStart);
    PutOptionalText(row_, recStop);
    PutOptionalBlob(row_, stopAnswer);
    PutOptional(row_, st.IntervalSeconds);
    PutOptionalBlob(row_, st.CAnswer);
    PutOptionalBlob(row_, st.Battery);
    row_.Int(info.Range.First).Int(info.Range.End);
    sha_.Add(row_.Bytes());
    const TDigest hash = sha_.Finish();
    TStatement s(db_,
                 "INSERT INTO downloads(id, recording, when_utc, utc_offset_s, computer, user, program, port, clock, "
                 "clock_read_at, clock_offset_s, rec_start, rec_stop, stop_answer, interval_s, c_answer, battery, "
                 "range_first, range_end, hash) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, "
                 "?15, ?16, ?17, ?18, ?19, ?20)");
    s.Bind(1, id).Bind(2, recordingId).Bind(3, a.WhenUnix).Bind(4, std::int64_t{a.UtcOffsetSeconds});
    s.BindText(5, a.Computer).BindText(6, a.User).BindText(7, a.ProgramVersion).BindText(8, info.Port);
    s.BindOptionalText(9, clock).BindOptionalText(10, readAt).Bind(11, offset);
    s.BindOptionalText(12, recStart).BindOptionalText(13, recStop);
    stopAnswer ? s.BindBlob(14, *stopAnswer) : s.BindNull(14);
    s.Bind(15, st.IntervalSeconds);
    st.CAnswer ? s.BindBlob(16, *st.CAnswer) : s.BindNull(16);
    st.Battery ? s.BindBlob(17, *st.Battery) : s.BindNull(17);
    s.Bind(18, info.Range.First).Bind(19, info.Range.End).BindBlob(20, ViewOf(hash));
    s.Run();
    if (countsStored_) {
        TStatement& counts = Cached("UPDATE recording_counts SET downloads = downloads + 1, "
                                    "last_download = max(coalesce(last_download, ?2), ?2) WHERE recording = ?1");
        counts.Bind(1, recordingId).Bind(2, a.WhenUnix);
        counts.Run();
    }
    transaction.Commit();
    downloads_[id] = TDownloadOf{recordingId, a};
    return id;
}

// Downloads of this program are known from BeginDownload; others (a download continued by another
// open of the archive) are read once.
const TSqliteArchive::TDownloadOf& TSqliteArchive::DownloadOf(std::int64_t downloadId) {
    if (const auto found = downloads_.find(downloadId); found != downloads_.end()) return found->second;
    TStatement& s = Cached("SELECT recording, when_utc, utc_offset_s, computer, user, program FROM downloads WHERE id = ?1");
    s.Bind(1, downloadId);
    if (!s.Step()) throw EArchiveError(TArchiveErrorKind::Other, db_.Path(), "no download " + std::to_string(downloadId));
    TDownloadOf of{s.Int(0), TActor{s.Int(1), static_cast<std::int32_t>(s.Int(2)), std::string(s.Bytes(3)),
                                    std::string(s.Bytes(4)), std::string(s.Bytes(5))}};
    s.Reset();
    return downloads_[downloadId] = std::move(of);
}

std::int64_t TSqliteArchive::RecordingOfDownload(std::int64_t downloadId) { return DownloadOf(downloadId).RecordingId; }

TSqliteArchive::TFields TSqliteArchive::FieldsOf(std::string_view line) const {
    TFields f;
    const readings::TReadingFields fields = readings::SplitReadingLine(line);
    if (TDateTime t = 0; readings::ParseReadingTime(fields.Time, format_, t)) f.Time = SecondsBetween(UnixEpochDay, t);
    if (double v = 0; readings::ParseTemperature(fields.Channel1, v)) f.Channel1 = static_cast<float>(v);
    if (double v = 0; readings::ParseTemperature(fields.Channel2, v)) f.Channel2 = static_cast<float>(v);
    return f;
}

TDigest TSqliteArchive::ReadingHash(std::int64_t id, std::int64_t recordingId, std::int64_t index, TReadingState state,
                                    const TFields& f, std::string_view line) {
    row_.Clear();
    row_.Int(id).Int(recordingId).Int(index).Int(static_cast<std::int64_t>(state));
    f.Time ? row_.Int(*f.Time) : row_.Null();
    std::isfinite(f.Channel1) ? row_.Real(f.Channel1) : row_.Null();
    std::isfinite(f.Channel2) ? row_.Real(f.Channel2) : row_.Null();
    row_.Blob(line);
    sha_.Add(row_.Bytes());
    return sha_.Finish();
}

namespace {

// What the first `count` rows of an index (in the order added) give its recording's counts.
template <class Copy>
TIndexShare ShareOf(const std::vector<Copy>& copies, std::size_t count) {
    TIndexShare share;
    if (count == 0) return share;
    std::size_t held = count, clean = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (copies[i].State != TReadingState::Clean) continue;
        if (clean++ == 0) held = i;
    }
    if (held == count) held = 0;
    share.Held = true;
    share.Damaged = copies[held].State != TReadingState::Clean;
    share.Conflict = clean > 1;
    share.Time = copies[held].Time;
    return share;
}

// Adds one index's share to the counts. False when the counts cannot follow: the index gave the
// lowest or highest time and its held reading no longer has one.
bool AddShare(TCounts& c, std::int64_t index, const TIndexShare& share, int sign) {
    if (share.Held) c.Readings += sign;
    if (share.Damaged) c.Damaged += sign;
    if (share.Conflict) c.Conflicts += sign;
    if (sign < 0) return true;
    if (!c.FirstIndex || index < *c.FirstIndex) c.FirstIndex = index;
    if (!c.LastIndex || index > *c.LastIndex) c.LastIndex = index;
    if (share.Time) {
        if (!c.FirstTimeIndex || index <= *c.FirstTimeIndex) c.FirstTimeIndex = index, c.FirstTime = share.Time;
        if (!c.LastTimeIndex || index >= *c.LastTimeIndex) c.LastTimeIndex = index, c.LastTime = share.Time;
    } else if (index == c.FirstTimeIndex || index == c.LastTimeIndex) {
        return false;
    }
    return true;
}

constexpr std::size_t kRowsPerInsert = 64;
constexpr int kReadingColumns = 9;  // the parameters of one row, as BindNewRow binds them

#define LORV_READING_INSERT "INSERT INTO readings(id, recording, idx, state, time, t1, t2, line, digest) VALUES"
constexpr const char* OneReadingInsert = LORV_READING_INSERT "(?,?,?,?,?,?,?,?,?)";

// The same for kRowsPerInsert rows, their parameters one row after another.
const std::string& ManyReadingsInsert() {
    static const std::string sql = [] {
        std::string text = LORV_READING_INSERT;
        for (std::size_t k = 0; k < kRowsPerInsert; ++k) text += k == 0 ? "(?,?,?,?,?,?,?,?,?)" : ",(?,?,?,?,?,?,?,?,?)";
        return text;
    }();
    return sql;
}
#undef LORV_READING_INSERT

}  // namespace

// Binds one new reading row to the kReadingColumns parameters after `first`.
void TSqliteArchive::BindNewRow(TStatement& s, int first, std::int64_t recordingId, const TNewRow& row) {
    s.Bind(first + 1, row.Id).Bind(first + 2, recordingId).Bind(first + 3, row.Index);
    s.Bind(first + 4, static_cast<std::int64_t>(row.State)).Bind(first + 5, row.Fields.Time);
    const float t1 = row.Fields.Channel1, t2 = row.Fields.Channel2;
    std::isfinite(t1) ? s.Bind(first + 6, static_cast<double>(t1)) : s.BindNull(first + 6);
    std::isfinite(t2) ? s.Bind(first + 7, static_cast<double>(t2)) : s.BindNull(first + 7);
    s.BindBlob(first + 8, row.Line).BindBlob(first + 9, row.Digest);
}

TChunkResult TSqliteArchive::AddChunk(std::int64_t recordingId, std::optional<std::int64_t> downloadId,
                                      const std::vector<TStoredReading>& readings, const TActor& actor) {
    TChunkResult result;
    if (readings.empty()) return result;
    const auto [lo, hi] = std::minmax_element(readings.begin(), readings.end(),
                                              [](const auto& a, const auto& b) { return a.Index < b.Index; });
    struct TCopy {
        TReadingState State;
        std::string_view Line;
        std::optional<std::int64_t> Time;
    };
    struct TRows {
        std::vector<TCopy> Copies;  // in the order added
        std::size_t Before = 0;     // how many were there before this chunk
    };
    // The index's rows already stored; their lines live in `storedLines` (incoming lines in
    // `readings` itself), so a chunk of new readings copies no line.
    std::map<std::int64_t, TRows> rows;
    std::vector<std::string> storedLines;
    {
        TStatement& s = Cached("SELECT idx, state, line, time FROM readings WHERE recording = ?1 AND idx BETWEEN ?2 AND "
                               "?3 ORDER BY idx, id");
        s.Bind(1, recordingId).Bind(2, lo->Index).Bind(3, hi->Index);
        std::vector<std::pair<std::int64_t, TCopy>> loaded;
        while (s.Step()) {
            storedLines.emplace_back(s.Bytes(2));
            loaded.emplace_back(s.Int(0), TCopy{static_cast<TReadingState>(s.Int(1)), {}, s.OptionalInt(3)});
        }
        // Views are taken once the vector of lines no longer moves.
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            loaded[i].second.Line = storedLines[i];
            TRows& r = rows[loaded[i].first];
            r.Copies.push_back(loaded[i].second);
            r.Before = r.Copies.size();
        }
    }
    std::int64_t nextId = QueryInt("SELECT coalesce(max(id), 0) + 1 FROM readings");
    const std::int64_t firstId = nextId;
    std::vector<TDigest> hashes;
    hashes.reserve(readings.size());
    std::vector<TEventDetails> events;
    // New rows are inserted kRowsPerInsert to a statement: within one statement SQLite's cursors
    // stay at the end of the table and of its index, so each row is appended there instead of
    // being looked for from the root, and binding and stepping cost less per row.
    std::vector<TNewRow> batch;
    batch.reserve(kRowsPerInsert);
    const auto insertBatch = [&] {
        if (batch.size() == kRowsPerInsert) {
            TStatement& many = Cached(ManyReadingsInsert().c_str());
            for (std::size_t k = 0; k < batch.size(); ++k) BindNewRow(many, static_cast<int>(k) * kReadingColumns, recordingId, batch[k]);
            many.Run();
        } else {
            TStatement& one = Cached(OneReadingInsert);
            for (const TNewRow& row : batch) {
                BindNewRow(one, 0, recordingId, row);
                one.Run();
            }
        }
        batch.clear();
    };
    // An index met for the first time, with no stored row and above every index before it (a
    // download's readings, in order), is simply added: it is kept in `fresh` (ascending) rather
    // than in `rows`, which saves two allocations per reading. Should it come again, it moves
    // into `rows`.
    struct TFresh {
        std::int64_t Index;
        TCopy Copy;
        bool Moved = false;
    };
    std::vector<TFresh> fresh;
    fresh.reserve(readings.size());
    std::vector<TCopy> none;
    std::vector<TStoredCopy> view;
    for (const TStoredReading& incoming : readings) {
        const bool isFresh = (fresh.empty() || incoming.Index > fresh.back().Index) &&
                             (rows.empty() || rows.find(incoming.Index) == rows.end());
        std::vector<TCopy>* copies = &none;
        if (!isFresh) {
            const auto [at, made] = rows.try_emplace(incoming.Index);
            copies = &at->second.Copies;
            if (made) {
                const auto f = std::lower_bound(fresh.begin(), fresh.end(), incoming.Index,
                                                [](const TFresh& a, std::int64_t i) { return a.Index < i; });
                if (f != fresh.end() && f->Index == incoming.Index && !f->Moved) {
                    copies->push_back(f->Copy);
                    f->Moved = true;
                }
            }
        }
        view.clear();
        for (const TCopy& c : *copies) view.push_back(TStoredCopy{c.State, c.Line});
        const TMergeAction action = DecideMerge(view, incoming);
        if (action == TMergeAction::Keep) {
            ++result.Unchanged;
            continue;
        }
        if (action == TMergeAction::Replace) {
            const TCopy& held = (*copies)[HeldCopy(view)];
            events.push_back(TReadingReplaced{incoming.Index, std::string(held.Line), incoming.Line, held.State});
            ++result.Replaced;
        } else if (action == TMergeAction::Conflict) {
            events.push_back(TReadingConflict{incoming.Index, std::string((*copies)[HeldCopy(view)].Line), incoming.Line});
            ++result.Conflicts;
        } else {
            ++result.Added;
        }
        const TFields f = FieldsOf(incoming.Line);
        const std::int64_t id = nextId++;
        const TDigest hash = ReadingHash(id, recordingId, incoming.Index, incoming.State, f, incoming.Line);
        hashes.push_back(hash);  // reserved: the batch's views of the digests stay valid
        batch.push_back(TNewRow{id, incoming.Index, incoming.State, f, incoming.Line, ViewOf(hashes.back()).substr(0, 4)});
        if (batch.size() == kRowsPerInsert) insertBatch();
        const TCopy added{incoming.State, incoming.Line, f.Time};
        isFresh ? fresh.push_back(TFresh{incoming.Index, added}) : copies->push_back(added);
    }
    insertBatch();
    if (!hashes.empty()) {
        auto [chunkId, previous] = ChainTail("SELECT id, hash FROM chunks ORDER BY id DESC LIMIT 1");
        const std::int64_t count = static_cast<std::int64_t>(hashes.size());
        row_.Clear();
        row_.Int(chunkId);
        PutOptional(row_, downloadId);
        row_.Int(firstId).Int(count);
        sha_.Add(previous);
        sha_.Add(row_.Bytes());
        for (const TDigest& h : hashes) sha_.Add(h);
        const TDigest chunkHash = sha_.Finish();
        TStatement& s = Cached("INSERT INTO chunks(id, download, first_reading, readings, hash) VALUES(?1, ?2, ?3, ?4, ?5)");
        s.Bind(1, chunkId).Bind(2, downloadId).Bind(3, firstId).Bind(4, count).BindBlob(5, ViewOf(chunkHash));
        s.Run();

        // The recording's counts follow what this chunk changed; a recording whose counts row is
        // gone gets it back from a scan.
        if (countsStored_) {
            std::optional<TCounts> counts = StoredCounts(recordingId);
            bool follows = counts.has_value();
            for (const auto& [index, r] : rows) {
                if (!follows) break;
                if (r.Copies.size() == r.Before) continue;
                AddShare(*counts, index, ShareOf(r.Copies, r.Before), -1);
                follows = AddShare(*counts, index, ShareOf(r.Copies, r.Copies.size()), +1);
            }
            for (const TFresh& f : fresh) {
                if (!follows) break;
                if (f.Moved) continue;
                const TIndexShare share{true, f.Copy.State != TReadingState::Clean, false, f.Copy.Time};
                follows = AddShare(*counts, f.Index, share, +1);
            }
            if (follows) {
                UpdateCounts(recordingId, *counts);
            } else {
                WriteCounts(recordingId, CountsByScan(recordingId));
            }
        }
    }
    for (const TEventDetails& details : events) AppendEvent(actor, recordingId, downloadId, details);
    return result;
}

TChunkResult TSqliteArchive::AddReadings(std::int64_t downloadId, const std::vector<TStoredReading>& readings) {
    if (readings.empty()) return {};
    TTransaction transaction = Begin();
    // Events of the merge name the download's own actor: it is the one that brought the readings.
    const TDownloadOf& download = DownloadOf(downloadId);
    const TChunkResult result = AddChunk(download.RecordingId, downloadId, readings, download.Actor);
    transaction.Commit();
    return result;
}

void TSqliteArchive::FinishDownload(std::int64_t downloadId, const TDownloadReport& report, const TActor& actor) {
    TTransaction transaction = Begin();
    AppendEvent(actor, RecordingOfDownload(downloadId), downloadId, TDownloadEnded{report});
    transaction.Commit();
}

TChunkResult TSqliteArchive::ImportReadings(const TRecordingKey& key, const std::vector<TStoredReading>& readings,
                                            const TActor& actor, TReadingsImported event) {
    TTransaction transaction = Begin();
    const std::int64_t recordingId = FindOrAddRecordingIn(key);
    const TChunkResult result = AddChunk(recordingId, std::nullopt, readings, actor);
    event.Added = result.Added + result.Replaced + result.Conflicts;
    AppendEvent(actor, recordingId, std::nullopt, event);
    transaction.Commit();
    return result;
}

std::int64_t TSqliteArchive::AppendEvent(const TActor& actor, std::optional<std::int64_t> recordingId,
                                         std::optional<std::int64_t> downloadId, const TEventDetails& details) {
    auto [id, previous] = ChainTail("SELECT id, hash FROM events ORDER BY id DESC LIMIT 1");
    const std::string kind = EventKindName(static_cast<TEventKind>(details.index()));
    const std::string json = DetailsJson(details);
    row_.Clear();
    row_.Int(id).Text(kind).Int(actor.WhenUnix).Int(actor.UtcOffsetSeconds).Text(actor.Computer).Text(actor.User);
    row_.Text(actor.ProgramVersion);
    PutOptional(row_, recordingId);
    PutOptional(row_, downloadId);
    row_.Text(json);
    sha_.Add(previous);
    sha_.Add(row_.Bytes());
    const TDigest hash = sha_.Finish();
    TStatement s(db_,
                 "INSERT INTO events(id, kind, when_utc, utc_offset_s, computer, user, program, recording, download, "
                 "details, hash) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
    s.Bind(1, id).BindText(2, kind).Bind(3, actor.WhenUnix).Bind(4, std::int64_t{actor.UtcOffsetSeconds});
    s.BindText(5, actor.Computer).BindText(6, actor.User).BindText(7, actor.ProgramVersion);
    s.Bind(8, recordingId).Bind(9, downloadId).BindText(10, json).BindBlob(11, ViewOf(hash));
    s.Run();
    return id;
}

std::int64_t TSqliteArchive::AddEvent(const TActor& actor, std::optional<std::int64_t> recordingId,
                                      const TEventDetails& details) {
    TTransaction transaction = Begin();
    const std::int64_t id = AppendEvent(actor, recordingId, std::nullopt, details);
    transaction.Commit();
    return id;
}

TArchivedReading TSqliteArchive::RowReading(const TStatement& s) const {
    TArchivedReading r;
    r.Id = s.Int(0);
    r.Index = s.Int(1);
    r.State = static_cast<TReadingState>(s.Int(2));
    if (!s.IsNull(3)) r.Time = TimeOfSeconds(s.Int(3));
    if (!s.IsNull(4)) r.Channel1 = static_cast<float>(s.Real(4));
    if (!s.IsNull(5)) r.Channel2 = static_cast<float>(s.Real(5));
    r.Line = s.Bytes(6);
    return r;
}

template <class Visit>
void TSqliteArchive::ForEachIndex(std::int64_t recordingId, std::int64_t first, std::int64_t last, Visit visit) {
    TStatement& s = Cached("SELECT id, idx, state, time, t1, t2, line FROM readings WHERE recording = ?1 AND idx BETWEEN "
                      "?2 AND ?3 ORDER BY idx, id");
    s.Bind(1, recordingId).Bind(2, first).Bind(3, last);
    std::vector<TArchivedReading> copies;
    while (s.Step()) {
        const std::int64_t idx = s.Int(1);
        if (!copies.empty() && copies.front().Index != idx) {
            visit(copies);
            copies.clear();
        }
        copies.push_back(RowReading(s));
    }
    if (!copies.empty()) visit(copies);
}

// The held copy of an index's rows: the first clean one, else the first.
const TArchivedReading& HeldOf(const std::vector<TArchivedReading>& copies) {
    for (const TArchivedReading& c : copies)
        if (c.State == TReadingState::Clean) return c;
    return copies.front();
}

std::size_t CleanCount(const std::vector<TArchivedReading>& copies) {
    return static_cast<std::size_t>(std::count_if(copies.begin(), copies.end(), [](const TArchivedReading& c) {
        return c.State == TReadingState::Clean;
    }));
}

constexpr std::int64_t AllIndices = INT64_MAX;

TCounts TSqliteArchive::CountsByScan(std::int64_t recordingId) {
    TCounts c;
    ForEachIndex(recordingId, INT64_MIN, AllIndices, [&](const std::vector<TArchivedReading>& copies) {
        const TArchivedReading& held = HeldOf(copies);
        ++c.Readings;
        if (held.State != TReadingState::Clean) ++c.Damaged;
        if (CleanCount(copies) > 1) ++c.Conflicts;
        if (!c.FirstIndex) c.FirstIndex = held.Index;
        c.LastIndex = held.Index;
        if (held.Time) {
            const std::int64_t t = SecondsBetween(UnixEpochDay, *held.Time);
            if (!c.FirstTimeIndex) c.FirstTimeIndex = held.Index, c.FirstTime = t;
            c.LastTimeIndex = held.Index;
            c.LastTime = t;
        }
    });
    TStatement& d = Cached("SELECT count(*), max(when_utc) FROM downloads WHERE recording = ?1");
    d.Bind(1, recordingId);
    if (d.Step()) {
        c.Downloads = d.Int(0);
        c.LastDownload = d.OptionalInt(1);
        d.Reset();
    }
    return c;
}

std::optional<TRecordingSummary> TSqliteArchive::Summary(TStatement& row) {
    TRecordingSummary summary;
    summary.Id = row.Int(0);
    summary.Key = TRecordingKey{std::string(row.Bytes(1)), TimeOfText(row.Bytes(2)), row.Int(3)};
    const std::optional<TCounts> stored = StoredCounts(summary.Id);
    const TCounts c = stored ? *stored : CountsByScan(summary.Id);
    summary.Readings = c.Readings;
    summary.Damaged = c.Damaged;
    summary.Conflicts = c.Conflicts;
    if (c.FirstIndex && c.LastIndex) summary.Missing = *c.LastIndex - *c.FirstIndex + 1 - c.Readings;
    if (c.FirstTime) summary.First = TimeOfSeconds(*c.FirstTime);
    if (c.LastTime) summary.Last = TimeOfSeconds(*c.LastTime);
    summary.Downloads = c.Downloads;
    summary.LastDownloadUnix = c.LastDownload;
    return summary;
}

std::vector<TRecordingSummary> TSqliteArchive::Recordings() {
    std::vector<TRecordingSummary> list;
    TStatement& s = Cached("SELECT id, model, start, interval_s FROM recordings ORDER BY id");
    while (s.Step()) list.push_back(*Summary(s));
    return list;
}

std::optional<TRecordingSummary> TSqliteArchive::Recording(std::int64_t recordingId) {
    TStatement& s = Cached("SELECT id, model, start, interval_s FROM recordings WHERE id = ?1");
    s.Bind(1, recordingId);
    if (!s.Step()) return std::nullopt;
    auto summary = Summary(s);
    s.Reset();
    return summary;
}

std::vector<TArchivedReading> TSqliteArchive::Readings(std::int64_t recordingId) {
    std::vector<TArchivedReading> list;
    ForEachIndex(recordingId, INT64_MIN, AllIndices,
                 [&](const std::vector<TArchivedReading>& copies) { list.push_back(HeldOf(copies)); });
    return list;
}

TLineStore TSqliteArchive::ReadingLines(std::int64_t recordingId) {
    TLineStore lines;
    if (const auto counts = StoredCounts(recordingId)) lines.Reserve(static_cast<std::size_t>(counts->Readings));
    // Only the lines are needed: read index, state and line alone, the held copy chosen as above.
    // A clean first row is the held one and goes straight into the store; a damaged or off-time
    // first row waits in `pending` for a clean copy of its index.
    TStatement& s = Cached("SELECT idx, state, line FROM readings WHERE recording = ?1 ORDER BY idx, id");
    s.Bind(1, recordingId);
    std::string pending;
    bool hasPending = false, any = false;
    std::int64_t index = 0;
    while (s.Step()) {
        const std::int64_t idx = s.Int(0);
        const bool clean = static_cast<TReadingState>(s.Int(1)) == TReadingState::Clean;
        if (any && idx == index) {
            if (hasPending && clean) {
                lines.Append(s.Bytes(2));
                hasPending = false;
            }
            continue;
        }
        if (hasPending) lines.Append(pending);
        any = true;
        index = idx;
        hasPending = !clean;
        if (clean) {
            lines.Append(s.Bytes(2));
        } else {
            pending = s.Bytes(2);
        }
    }
    if (hasPending) lines.Append(pending);
    return lines;
}

std::vector<TIndexRange> TSqliteArchive::WantedIndices(const TRecordingKey& key, std::int64_t first,
                                                       std::int64_t end) {
    std::vector<TIndexRange> wanted;
    if (end <= first) return wanted;
    std::int64_t from = first;  // the first index not yet known to be held clean
    if (const auto recordingId = FindRecording(key)) {
        ForEachIndex(*recordingId, first, end - 1, [&](const std::vector<TArchivedReading>& copies) {
            if (HeldOf(copies).State != TReadingState::Clean) return;
            const std::int64_t idx = copies.front().Index;
            if (idx > from) wanted.push_back(TIndexRange{from, idx - 1});
            from = idx + 1;
        });
    }
    if (from < end) wanted.push_back(TIndexRange{from, end - 1});
    return wanted;
}

std::int64_t TSqliteArchive::UnarchivedCount(const TRecordingKey& key, std::int64_t heldCount) {
    if (heldCount <= 0) return 0;
    const auto recordingId = FindRecording(key);
    if (!recordingId) return heldCount;
    TStatement& s = Cached("SELECT count(DISTINCT idx) FROM readings WHERE recording = ?1 AND idx BETWEEN 0 AND ?2");
    s.Bind(1, *recordingId).Bind(2, heldCount - 1);
    const std::int64_t held = s.Step() ? s.Int(0) : 0;
    s.Reset();
    return heldCount - held;
}

std::vector<TIndexRange> TSqliteArchive::Gaps(std::int64_t recordingId) {
    std::vector<TIndexRange> gaps;
    std::optional<std::int64_t> previous;
    TStatement& s = Cached("SELECT DISTINCT idx FROM readings WHERE recording = ?1 ORDER BY idx");
    s.Bind(1, recordingId);
    while (s.Step()) {
        const std::int64_t idx = s.Int(0);
        if (previous && idx > *previous + 1) gaps.push_back(TIndexRange{*previous + 1, idx - 1});
        previous = idx;
    }
    return gaps;
}

std::vector<TReadingIssue> TSqliteArchive::DamagedReadings(std::int64_t recordingId) {
    std::vector<TReadingIssue> list;
    ForEachIndex(recordingId, INT64_MIN, AllIndices, [&](const std::vector<TArchivedReading>& copies) {
        const TArchivedReading& held = HeldOf(copies);
        if (held.State != TReadingState::Clean) list.push_back(TReadingIssue{held.Index, held, std::nullopt});
    });
    return list;
}

std::vector<TReadingIssue> TSqliteArchive::Conflicts(std::int64_t recordingId) {
    std::vector<TReadingIssue> list;
    ForEachIndex(recordingId, INT64_MIN, AllIndices, [&](const std::vector<TArchivedReading>& copies) {
        if (CleanCount(copies) < 2) return;
        const TArchivedReading& held = HeldOf(copies);
        for (const TArchivedReading& c : copies) {
            if (c.State == TReadingState::Clean && c.Id != held.Id) {
                list.push_back(TReadingIssue{held.Index, held, c});
                break;
            }
        }
    });
    return list;
}

std::vector<TDownloadRecord> TSqliteArchive::Downloads(std::int64_t recordingId) {
    std::vector<TDownloadRecord> list;
    TStatement s(db_,
                 "SELECT d.id, d.recording, d.when_utc, d.utc_offset_s, d.computer, d.user, d.program, d.port, "
                 "d.clock, d.clock_read_at, d.clock_offset_s, d.rec_start, d.rec_stop, d.stop_answer, d.interval_s, "
                 "d.c_answer, d.battery, d.range_first, d.range_end, "
                 "(SELECT details FROM events e WHERE e.download = d.id AND e.kind = 'download' ORDER BY e.id LIMIT 1), "
                 "(SELECT coalesce(sum(readings), 0) FROM chunks c WHERE c.download = d.id) "
                 "FROM downloads d WHERE d.recording = ?1 ORDER BY d.id");
    s.Bind(1, recordingId);
    while (s.Step()) {
        TDownloadRecord d;
        d.Id = s.Int(0);
        d.RecordingId = s.Int(1);
        d.Info.Actor = TActor{s.Int(2), static_cast<std::int32_t>(s.Int(3)), std::string(s.Bytes(4)),
                              std::string(s.Bytes(5)), std::string(s.Bytes(6))};
        d.Info.Port = s.Bytes(7);
        TLoggerStatus& st = d.Info.Status;
        st.Clock = OptionalTimeOf(s.OptionalText(8));
        st.ClockReadAt = OptionalTimeOf(s.OptionalText(9));
        d.ClockOffsetSeconds = s.OptionalInt(10);
        st.RecStart = OptionalTimeOf(s.OptionalText(11));
        st.RecStop = OptionalTimeOf(s.OptionalText(12));
        st.StopAnswer = s.OptionalText(13).value_or("");
        st.IntervalSeconds = s.OptionalInt(14);
        if (st.IntervalSeconds) st.Interval = SecondsToDays(static_cast<double>(*st.IntervalSeconds));
        st.CAnswer = s.OptionalText(15);
        st.Battery = s.OptionalText(16);
        if (st.Battery && !st.Battery->empty() &&
            std::all_of(st.Battery->begin(), st.Battery->end(), [](char c) { return c >= '0' && c <= '9'; }))
            st.BatteryMv = std::stoll(*st.Battery);
        d.Info.Range.First = s.Int(17);
        d.Info.Range.End = s.Int(18);
        if (const auto details = s.OptionalText(19))
            d.Report = std::get<TDownloadEnded>(DetailsFromJson(TEventKind::Download, *details)).Report;
        d.ReadingsAdded = s.Int(20);
        list.push_back(std::move(d));
    }
    return list;
}

std::vector<TEvent> TSqliteArchive::Events(std::optional<std::int64_t> recordingId) {
    std::vector<TEvent> list;
    TStatement& s = Cached(recordingId ? "SELECT id, kind, when_utc, utc_offset_s, computer, user, program, recording, "
                                    "download, details FROM events WHERE recording = ?1 ORDER BY id"
                                  : "SELECT id, kind, when_utc, utc_offset_s, computer, user, program, recording, "
                                    "download, details FROM events ORDER BY id");
    if (recordingId) s.Bind(1, *recordingId);
    while (s.Step()) {
        TEventKind kind{};
        if (!EventKindFromName(s.Bytes(1), kind)) continue;  // a kind of a later version: not ours to show
        TEvent e;
        e.Id = s.Int(0);
        e.Actor = TActor{s.Int(2), static_cast<std::int32_t>(s.Int(3)), std::string(s.Bytes(4)),
                         std::string(s.Bytes(5)), std::string(s.Bytes(6))};
        e.RecordingId = s.OptionalInt(7);
        e.DownloadId = s.OptionalInt(8);
        e.Details = DetailsFromJson(kind, s.Bytes(9));
        list.push_back(std::move(e));
    }
    return list;
}

TVerifyResult TSqliteArchive::Verify() {
    TVerifyResult result;
    std::vector<TFinding>& findings = result.Findings;
    auto find = [&](TFindingKind kind, std::int64_t id) { findings.push_back(TFinding{kind, id}); };

    // Recordings and downloads: each row against its own hash.
    auto checkRows = [&](const char* sql, int columns, TFindingKind kind) {
        TStatement& s = Cached(sql);
        while (s.Step()) {
            row_.Clear();
            for (int c = 0; c < columns; ++c) PutColumn(row_, s, c);
            sha_.Add(row_.Bytes());
            if (ViewOf(sha_.Finish()) != s.Bytes(columns)) find(kind, s.Int(0));
        }
    };
    checkRows("SELECT id, model, start, interval_s, hash FROM recordings ORDER BY id", 4, TFindingKind::RecordingAltered);
    checkRows("SELECT id, recording, when_utc, utc_offset_s, computer, user, program, port, clock, clock_read_at, "
              "clock_offset_s, rec_start, rec_stop, stop_answer, interval_s, c_answer, battery, range_first, "
              "range_end, hash FROM downloads ORDER BY id",
              19, TFindingKind::DownloadAltered);

    // Readings: each chunk covers the reading ids [first_reading, first_reading + readings); its
    // hash chains the one before it. A reading whose digest is wrong is altered; an id a chunk
    // covers that is gone is missing; a row no chunk covers is inserted.
    TStatement& chunks = Cached("SELECT id, download, first_reading, readings, hash FROM chunks ORDER BY id");
    TStatement& rows = Cached("SELECT id, recording, idx, state, time, t1, t2, line, digest FROM readings ORDER BY id");
    bool rowReady = rows.Step();
    TDigest previous{};
    std::int64_t expectedChunk = 1;
    std::vector<TDigest> hashes;
    while (chunks.Step()) {
        const std::int64_t chunkId = chunks.Int(0);
        for (; expectedChunk < chunkId; ++expectedChunk) find(TFindingKind::ChunkAltered, expectedChunk);
        expectedChunk = chunkId + 1;
        const std::int64_t first = chunks.Int(2);
        const std::int64_t end = first + chunks.Int(3);
        std::size_t before = findings.size();
        hashes.clear();
        std::int64_t expected = first;
        for (; rowReady && rows.Int(0) < end; rowReady = rows.Step()) {
            const std::int64_t id = rows.Int(0);
            if (id < first) {
                find(TFindingKind::ReadingInserted, id);
                continue;
            }
            for (; expected < id; ++expected) find(TFindingKind::ReadingMissing, expected);
            expected = id + 1;
            row_.Clear();
            for (int c = 0; c < 8; ++c) PutColumn(row_, rows, c);
            sha_.Add(row_.Bytes());
            const TDigest hash = sha_.Finish();
            hashes.push_back(hash);
            ++result.Readings;
            if (ViewOf(hash).substr(0, 4) != rows.Bytes(8)) find(TFindingKind::ReadingAltered, id);
        }
        for (; expected < end; ++expected) find(TFindingKind::ReadingMissing, expected);
        row_.Clear();
        for (int c = 0; c < 4; ++c) PutColumn(row_, chunks, c);
        sha_.Add(previous);
        sha_.Add(row_.Bytes());
        for (const TDigest& h : hashes) sha_.Add(h);
        const TDigest stored = DigestOf(chunks.Bytes(4));
        // A chunk that does not check out while each of its readings does: its own row was changed,
        // or a reading's digest was made to fit.
        if (sha_.Finish() != stored && findings.size() == before) find(TFindingKind::ChunkAltered, chunkId);
        previous = stored;
    }
    for (; rowReady; rowReady = rows.Step()) find(TFindingKind::ReadingInserted, rows.Int(0));
    result.ReadingsHeadHex = HexOf(previous);

    // Events: one chain, ids consecutive from 1. After a gap the next event's link cannot be
    // checked (its predecessor is gone); the gap itself is the finding.
    TStatement& events = Cached("SELECT id, kind, when_utc, utc_offset_s, computer, user, program, recording, download, "
                           "details, hash FROM events ORDER BY id");
    TDigest previousEvent{};
    std::int64_t expectedEvent = 1;
    while (events.Step()) {
        const std::int64_t id = events.Int(0);
        ++result.Events;
        const bool gap = id != expectedEvent;
        for (; expectedEvent < id; ++expectedEvent) find(TFindingKind::EventMissing, expectedEvent);
        expectedEvent = id + 1;
        row_.Clear();
        for (int c = 0; c < 10; ++c) PutColumn(row_, events, c);
        sha_.Add(previousEvent);
        sha_.Add(row_.Bytes());
        const TDigest hash = sha_.Finish();
        const std::string_view stored = events.Bytes(10);
        // A hash of the wrong size was never made by the program: a row added by hand.
        if (stored.size() != hash.size()) {
            find(TFindingKind::EventInserted, id);
        } else if (!gap && ViewOf(hash) != stored) {
            find(TFindingKind::EventAltered, id);
        }
        previousEvent = DigestOf(stored);
    }
    result.EventsHeadHex = HexOf(previousEvent);
    sha_.Add(previous);
    sha_.Add(previousEvent);
    result.HeadHex = HexOf(sha_.Finish());
    std::stable_sort(findings.begin(), findings.end(), [](const TFinding& a, const TFinding& b) {
        return a.Kind != b.Kind ? a.Kind < b.Kind : a.Id < b.Id;
    });
    return result;
}

// Opens the database; an open that fails for want of write access to the file or its folder is
// ReadOnly, whatever SQLite calls it.
std::unique_ptr<TArchive> Open(const std::string& path, int busyTimeoutMs) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const bool exists = fs::exists(path, ec);
    if (!exists) MakeParentFolders(path);
    const fs::path folder = fs::path(path).parent_path().empty() ? fs::path(".") : fs::path(path).parent_path();
    try {
        return std::make_unique<TSqliteArchive>(path, busyTimeoutMs);
    } catch (const EArchiveError& e) {
        if (e.Kind() == TArchiveErrorKind::Other && ((exists && ::access(path.c_str(), W_OK) != 0) || !Writable(folder)))
            throw EArchiveError(TArchiveErrorKind::ReadOnly, path, e.Message());
        throw;
    }
}

}  // namespace

std::unique_ptr<TArchive> OpenSqliteArchive(const std::string& path, int busyTimeoutMs) {
    return Open(path, busyTimeoutMs);
}

}  // namespace archive

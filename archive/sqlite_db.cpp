#include "archive/sqlite_db.h"

#include <sqlite3.h>

#include <utility>

namespace archive {

TArchiveErrorKind ErrorKindOf(int resultCode) {
    switch (resultCode & 0xFF) {
        case SQLITE_NOTADB: return TArchiveErrorKind::NotADatabase;
        case SQLITE_CORRUPT: return TArchiveErrorKind::Damaged;
        case SQLITE_READONLY:
        case SQLITE_PERM: return TArchiveErrorKind::ReadOnly;
        case SQLITE_FULL: return TArchiveErrorKind::DiskFull;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return TArchiveErrorKind::Locked;
        default: return TArchiveErrorKind::Other;
    }
}

TSqliteDb::TSqliteDb(const std::string& path) : path_(path) {
    // A connection is only ever used by the thread that made it: no locking of its own calls.
    const int rc =
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw EArchiveError(ErrorKindOf(rc), path_, message);
    }
    sqlite3_extended_result_codes(db_, 1);
}

TSqliteDb::~TSqliteDb() {
    sqlite3_finalize(begin_);
    sqlite3_finalize(commit_);
    sqlite3_finalize(rollback_);
    sqlite3_close_v2(db_);
}

void TSqliteDb::RunPrepared(sqlite3_stmt*& statement, const char* sql) {
    if (!statement) {
        if (const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
            rc != SQLITE_OK)
            Fail(rc);
    }
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (rc != SQLITE_DONE) Fail(rc);
}

void TSqliteDb::Begin() { RunPrepared(begin_, "BEGIN IMMEDIATE"); }
void TSqliteDb::Commit() { RunPrepared(commit_, "COMMIT"); }

void TSqliteDb::Rollback() noexcept {
    try {
        RunPrepared(rollback_, "ROLLBACK");
    } catch (const EArchiveError&) {
        // Nothing to roll back (a failed COMMIT may have ended the transaction already).
    }
}

void TSqliteDb::Fail(int resultCode) {
    throw EArchiveError(ErrorKindOf(resultCode), path_, sqlite3_errmsg(db_));
}

void TSqliteDb::Exec(std::string_view sql) {
    const std::string text(sql);
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fail(rc);
}

std::int64_t TSqliteDb::QueryInt(std::string_view sql) {
    TStatement statement(*this, sql);
    return statement.Step() ? statement.Int(0) : 0;
}

TStatement::TStatement(TSqliteDb& db, std::string_view sql) : db_(&db) {
    const int rc = sqlite3_prepare_v3(db.Handle(), sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                      &stmt_, nullptr);
    if (rc != SQLITE_OK) db.Fail(rc);
}

TStatement::~TStatement() { sqlite3_finalize(stmt_); }

TStatement::TStatement(TStatement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr)) {}

TStatement& TStatement::operator=(TStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = std::exchange(other.db_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

TStatement& TStatement::Bind(int i, std::int64_t value) {
    if (const int rc = sqlite3_bind_int64(stmt_, i, value); rc != SQLITE_OK) db_->Fail(rc);
    return *this;
}

TStatement& TStatement::Bind(int i, double value) {
    if (const int rc = sqlite3_bind_double(stmt_, i, value); rc != SQLITE_OK) db_->Fail(rc);
    return *this;
}

TStatement& TStatement::BindText(int i, std::string_view value) {
    if (const int rc = sqlite3_bind_text64(stmt_, i, value.data(), value.size(), SQLITE_STATIC, SQLITE_UTF8);
        rc != SQLITE_OK)
        db_->Fail(rc);
    return *this;
}

TStatement& TStatement::BindBlob(int i, std::string_view value) {
    // An empty blob is still a blob, not NULL: give SQLite a valid pointer.
    static const char empty = 0;
    if (const int rc = sqlite3_bind_blob64(stmt_, i, value.empty() ? &empty : value.data(), value.size(), SQLITE_STATIC);
        rc != SQLITE_OK)
        db_->Fail(rc);
    return *this;
}

TStatement& TStatement::BindNull(int i) {
    if (const int rc = sqlite3_bind_null(stmt_, i); rc != SQLITE_OK) db_->Fail(rc);
    return *this;
}

bool TStatement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    sqlite3_reset(stmt_);
    if (rc == SQLITE_DONE) return false;
    db_->Fail(rc);
}

void TStatement::Run() {
    while (Step()) {
    }
}

void TStatement::Reset() { sqlite3_reset(stmt_); }

bool TStatement::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
int TStatement::Type(int column) const { return sqlite3_column_type(stmt_, column); }
std::int64_t TStatement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }
double TStatement::Real(int column) const { return sqlite3_column_double(stmt_, column); }

std::string_view TStatement::Bytes(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size)) : std::string_view();
}

std::optional<std::int64_t> TStatement::OptionalInt(int column) const {
    if (IsNull(column)) return std::nullopt;
    return Int(column);
}

std::optional<std::string> TStatement::OptionalText(int column) const {
    if (IsNull(column)) return std::nullopt;
    return std::string(Bytes(column));
}

TTransaction::TTransaction(TSqliteDb& db) : db_(db) { db_.Begin(); }

TTransaction::~TTransaction() {
    if (open_) db_.Rollback();
}

void TTransaction::Commit() {
    db_.Commit();
    open_ = false;
}

}  // namespace archive

#pragma once
// A thin RAII wrapper of the SQLite C interface: a connection and its prepared statements. Every
// failure throws EArchiveError with the kind the result code stands for.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "archive/archive_error.h"

struct sqlite3;
struct sqlite3_stmt;

namespace archive {

// The kind of an SQLite result code (primary or extended).
TArchiveErrorKind ErrorKindOf(int resultCode);

class TSqliteDb;

class TStatement {
  public:
    TStatement() = default;
    TStatement(TSqliteDb& db, std::string_view sql);
    ~TStatement();
    TStatement(TStatement&& other) noexcept;
    TStatement& operator=(TStatement&& other) noexcept;
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    // Parameters count from 1. Text and blobs are copied by SQLite only when the statement runs,
    // so the bytes must live until Step() or Run() returned.
    TStatement& Bind(int i, std::int64_t value);
    TStatement& Bind(int i, double value);
    TStatement& BindText(int i, std::string_view value);
    TStatement& BindBlob(int i, std::string_view value);
    TStatement& BindNull(int i);
    TStatement& Bind(int i, const std::optional<std::int64_t>& value) {
        return value ? Bind(i, *value) : BindNull(i);
    }
    TStatement& BindOptionalText(int i, const std::optional<std::string>& value) {
        return value ? BindText(i, std::string_view(*value)) : BindNull(i);
    }

    // True while a row is there to read; false when done (the statement is then reset).
    bool Step();
    // Runs a statement that returns no rows.
    void Run();
    void Reset();

    bool IsNull(int column) const;
    int Type(int column) const;  // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB, SQLITE_NULL
    std::int64_t Int(int column) const;
    double Real(int column) const;
    // Text or blob bytes; valid until the next Step().
    std::string_view Bytes(int column) const;
    std::optional<std::int64_t> OptionalInt(int column) const;
    std::optional<std::string> OptionalText(int column) const;

  private:
    TSqliteDb* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

class TSqliteDb {
  public:
    // Opens (read-write, created when missing). Throws EArchiveError.
    explicit TSqliteDb(const std::string& path);
    ~TSqliteDb();
    TSqliteDb(const TSqliteDb&) = delete;
    TSqliteDb& operator=(const TSqliteDb&) = delete;

    void Exec(std::string_view sql);
    // BEGIN IMMEDIATE, COMMIT and ROLLBACK, prepared once: a download begins and commits a
    // transaction for every chunk.
    void Begin();
    void Commit();
    void Rollback() noexcept;
    // The single integer a query gives (0 for no row or NULL).
    std::int64_t QueryInt(std::string_view sql);
    [[noreturn]] void Fail(int resultCode);
    sqlite3* Handle() { return db_; }
    const std::string& Path() const { return path_; }

  private:
    sqlite3* db_ = nullptr;
    std::string path_;
    sqlite3_stmt* begin_ = nullptr;
    sqlite3_stmt* commit_ = nullptr;
    sqlite3_stmt* rollback_ = nullptr;
    void RunPrepared(sqlite3_stmt*& statement, const char* sql);
};

// BEGIN IMMEDIATE ... COMMIT; rolled back when left without Commit() (also by an exception).
class TTransaction {
  public:
    explicit TTransaction(TSqliteDb& db);
    ~TTransaction();
    void Commit();

  private:
    TSqliteDb& db_;
    bool open_ = true;
};

}  // namespace archive

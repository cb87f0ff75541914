#pragma once

#include "platform/SqliteStatus.h"

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

// One connection to an SQLite database file. Statements run with bound
// parameters; values are integers, reals, text or blobs. Every call answers with a
// status and keeps SQLite's message for the log (`lastError`). A
// connection is used by one thread at a time.
class SqliteDatabase {
public:
    using Blob = std::vector<std::uint8_t>;
    using Value = std::variant<std::int64_t, std::string, double, Blob>;
    using Row = std::vector<Value>;

    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Opens the file for reading and writing, creating it when missing.
    // A lock held by another connection is waited for up to `busyTimeoutMs`
    // in every later statement. SQLite reads the file lazily: a file that is
    // not a database is found out by the first statement.
    SqliteStatus open(const std::string& path, int busyTimeoutMs);
    void close();
    bool isOpen() const { return db != nullptr; }

    // Runs one statement, ignoring any rows it gives.
    SqliteStatus execute(const std::string& sql, const std::vector<Value>& parameters = {});
    // Runs one statement and appends its rows to `rows` (NULL reads as 0).
    SqliteStatus query(const std::string& sql, const std::vector<Value>& parameters, std::vector<Row>& rows);
    // The same, handing each row over as it is read instead of keeping them all.
    SqliteStatus query(const std::string& sql, const std::vector<Value>& parameters,
                       const std::function<void(const Row&)>& each);
    // One statement run once for each set of parameters, prepared once.
    SqliteStatus executeEach(const std::string& sql, const std::vector<std::vector<Value>>& parameterSets);

    const std::string& lastError() const { return error; }

private:
    // The statement compiled, or the failure's status (null then).
    SqliteStatus prepare(const std::string& sql, sqlite3_stmt*& prepared);
    SqliteStatus fail(int code);

    sqlite3* db = nullptr;
    std::string error;
};

} // namespace platform

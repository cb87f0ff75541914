#include "platform/SqliteDatabase.h"

#include <sqlite3.h>

#include <memory>

namespace platform {

namespace {

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

SqliteStatus statusOf(int code)
{
    switch (code & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return SqliteStatus::Ok;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return SqliteStatus::Busy;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return SqliteStatus::Damaged;
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return SqliteStatus::Unwritable;
    default:
        return SqliteStatus::Failed;
    }
}

int bindOne(sqlite3_stmt* statement, int index, const SqliteDatabase::Value& value)
{
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        return sqlite3_bind_int64(statement, index, *integer);
    if (const auto* real = std::get_if<double>(&value))
        return sqlite3_bind_double(statement, index, *real);
    if (const auto* blob = std::get_if<SqliteDatabase::Blob>(&value))
        return sqlite3_bind_blob64(statement, index, blob->data(), blob->size(), SQLITE_TRANSIENT);
    const std::string& text = std::get<std::string>(value);
    return sqlite3_bind_text(statement, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

int bind(sqlite3_stmt* statement, const std::vector<SqliteDatabase::Value>& parameters)
{
    int index = 1;
    for (const SqliteDatabase::Value& value : parameters) {
        const int code = bindOne(statement, index, value);
        if (code != SQLITE_OK)
            return code;
        ++index;
    }
    return SQLITE_OK;
}

void readBlob(sqlite3_stmt* statement, int index, SqliteDatabase::Value& value)
{
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, index));
    const auto length = static_cast<std::size_t>(sqlite3_column_bytes(statement, index));
    value = bytes ? SqliteDatabase::Blob(bytes, bytes + length) : SqliteDatabase::Blob();
}

// Into `row`, reusing its storage: a query of many rows then allocates
// little besides what its rows hold.
void readRow(sqlite3_stmt* statement, SqliteDatabase::Row& row)
{
    const auto columns = static_cast<std::size_t>(sqlite3_column_count(statement));
    row.resize(columns);
    for (std::size_t column = 0; column < columns; ++column) {
        const int index = static_cast<int>(column);
        const int type = sqlite3_column_type(statement, index);
        if (type == SQLITE_FLOAT) {
            row[column] = sqlite3_column_double(statement, index);
            continue;
        }
        if (type == SQLITE_BLOB) {
            readBlob(statement, index, row[column]);
            continue;
        }
        if (type != SQLITE_TEXT) {
            row[column] = static_cast<std::int64_t>(sqlite3_column_int64(statement, index));
            continue;
        }
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
        const auto length = static_cast<std::size_t>(sqlite3_column_bytes(statement, index));
        if (auto* kept = std::get_if<std::string>(&row[column]))
            kept->assign(text, length);
        else
            row[column] = std::string(text, length);
    }
}

} // namespace

SqliteDatabase::~SqliteDatabase()
{
    close();
}

SqliteStatus SqliteDatabase::open(const std::string& path, int busyTimeoutMs)
{
    close();
    const int code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (code != SQLITE_OK) {
        const SqliteStatus status = fail(code);
        close();
        return status;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, busyTimeoutMs);
    error.clear();
    return SqliteStatus::Ok;
}

void SqliteDatabase::close()
{
    if (db)
        sqlite3_close_v2(db);
    db = nullptr;
}

SqliteStatus SqliteDatabase::execute(const std::string& sql, const std::vector<Value>& parameters)
{
    std::vector<Row> ignored;
    return query(sql, parameters, ignored);
}

SqliteStatus SqliteDatabase::query(const std::string& sql, const std::vector<Value>& parameters,
                                   std::vector<Row>& rows)
{
    return query(sql, parameters, [&rows](const Row& row) { rows.push_back(row); });
}

SqliteStatus SqliteDatabase::query(const std::string& sql, const std::vector<Value>& parameters,
                                   const std::function<void(const Row&)>& each)
{
    sqlite3_stmt* prepared = nullptr;
    if (const SqliteStatus status = prepare(sql, prepared); status != SqliteStatus::Ok)
        return status;
    const Statement statement(prepared);
    int code = bind(statement.get(), parameters);
    if (code != SQLITE_OK)
        return fail(code);
    Row row;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) {
        readRow(statement.get(), row);
        each(row);
    }
    if (code != SQLITE_DONE)
        return fail(code);
    error.clear();
    return SqliteStatus::Ok;
}

SqliteStatus SqliteDatabase::executeEach(const std::string& sql, const std::vector<std::vector<Value>>& parameterSets)
{
    sqlite3_stmt* prepared = nullptr;
    if (const SqliteStatus status = prepare(sql, prepared); status != SqliteStatus::Ok)
        return status;
    const Statement statement(prepared);
    int code = SQLITE_OK;
    for (const std::vector<Value>& parameters : parameterSets) {
        sqlite3_reset(statement.get());
        code = bind(statement.get(), parameters);
        if (code != SQLITE_OK)
            return fail(code);
        while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) {
        }
        if (code != SQLITE_DONE)
            return fail(code);
    }
    error.clear();
    return SqliteStatus::Ok;
}

SqliteStatus SqliteDatabase::prepare(const std::string& sql, sqlite3_stmt*& prepared)
{
    prepared = nullptr;
    if (!db) {
        error = "the database is not open";
        return SqliteStatus::Failed;
    }
    const int code = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &prepared, nullptr);
    if (code != SQLITE_OK) {
        sqlite3_finalize(prepared);
        prepared = nullptr;
        return fail(code);
    }
    return SqliteStatus::Ok;
}

SqliteStatus SqliteDatabase::fail(int code)
{
    error = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    return statusOf(code);
}

} // namespace platform

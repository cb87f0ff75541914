#include "library/RecordLayout.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace library {

namespace {

using platform::SqliteDatabase;
using platform::SqliteStatus;

constexpr const char* createRecords
    = "CREATE TABLE IF NOT EXISTS records ("
      "chart_hash TEXT NOT NULL, chart TEXT NOT NULL, player TEXT NOT NULL, rate REAL NOT NULL DEFAULT 1.0, "
      "points INTEGER NOT NULL, godlike INTEGER NOT NULL DEFAULT 0, perfect INTEGER NOT NULL DEFAULT 0, "
      "great INTEGER NOT NULL DEFAULT 0, good INTEGER NOT NULL DEFAULT 0, booo INTEGER NOT NULL DEFAULT 0, "
      "holds_ok INTEGER NOT NULL DEFAULT 0, holds_ng INTEGER NOT NULL DEFAULT 0, "
      "mines_hit INTEGER NOT NULL DEFAULT 0, highest_combo INTEGER NOT NULL DEFAULT 0, "
      "date TEXT NOT NULL DEFAULT '', PRIMARY KEY (chart_hash, chart, player, rate))";

constexpr const char* createReplays
    = "CREATE TABLE IF NOT EXISTS replays ("
      "id INTEGER PRIMARY KEY, date TEXT NOT NULL, rate REAL NOT NULL DEFAULT 1.0, "
      "chart_hash1 TEXT NOT NULL, chart_hash2 TEXT NOT NULL, player1 TEXT NOT NULL, player2 TEXT NOT NULL, "
      "points1 INTEGER NOT NULL, points2 INTEGER NOT NULL, round BLOB NOT NULL)";

constexpr std::array<const char*, 2> createIndexes{
    "CREATE INDEX IF NOT EXISTS replays_by_chart1 ON replays (chart_hash1)",
    "CREATE INDEX IF NOT EXISTS replays_by_chart2 ON replays (chart_hash2)",
};

// The columns a row of records is taken over by; those an older table lacks
// take their defaults.
constexpr std::array<std::string_view, 14> recordColumns{
    "chart_hash", "chart", "player", "points", "godlike", "perfect", "great",
    "good", "booo", "holds_ok", "holds_ng", "mines_hit", "highest_combo", "date",
};
constexpr std::size_t keyColumns = 4; // chart_hash, chart, player, points

std::int64_t integerOf(const std::vector<SqliteDatabase::Row>& rows)
{
    const auto* value = rows.empty() || rows.front().empty() ? nullptr : std::get_if<std::int64_t>(&rows.front()[0]);
    return value ? *value : 0;
}

} // namespace

SqliteStatus RecordLayout::prepare(SqliteDatabase& db, std::string& problem, Change& change)
{
    change = Change::None;
    SqliteStatus status = db.execute("BEGIN IMMEDIATE");
    if (status != SqliteStatus::Ok) {
        problem = db.lastError();
        return status;
    }
    status = inTransaction(db, problem, change);
    if (status == SqliteStatus::Ok)
        status = db.execute("COMMIT");
    if (status != SqliteStatus::Ok) {
        if (problem.empty())
            problem = db.lastError();
        db.execute("ROLLBACK");
        change = Change::None;
    }
    return status;
}

SqliteStatus RecordLayout::inTransaction(SqliteDatabase& db, std::string& problem, Change& change)
{
    std::vector<SqliteDatabase::Row> found;
    std::vector<SqliteDatabase::Row> tables;
    SqliteStatus status = db.query("PRAGMA user_version", {}, found);
    if (status == SqliteStatus::Ok)
        status = db.query("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'records'", {}, tables);
    if (status != SqliteStatus::Ok)
        return status;
    const std::int64_t fileVersion = integerOf(found);
    if (fileVersion > version) {
        problem = "made by a newer version of the game (layout " + std::to_string(fileVersion) + ")";
        return SqliteStatus::Damaged;
    }
    if (fileVersion == version)
        return SqliteStatus::Ok;
    const bool hasRecords = integerOf(tables) > 0;
    status = hasRecords ? migrate(db, problem) : create(db);
    if (status == SqliteStatus::Ok)
        status = db.execute("PRAGMA application_id = " + std::to_string(applicationId));
    if (status == SqliteStatus::Ok)
        status = db.execute("PRAGMA user_version = " + std::to_string(version));
    if (status == SqliteStatus::Ok)
        change = hasRecords ? Change::Migrated : Change::Created;
    return status;
}

SqliteStatus RecordLayout::create(SqliteDatabase& db)
{
    SqliteStatus status = db.execute(createRecords);
    if (status == SqliteStatus::Ok)
        status = db.execute(createReplays);
    for (const char* index : createIndexes) {
        if (status == SqliteStatus::Ok)
            status = db.execute(index);
    }
    return status;
}

// The old table is renamed, a new one made and every row copied over with
// the columns both have; the whole of it commits or none of it.
SqliteStatus RecordLayout::migrate(SqliteDatabase& db, std::string& problem)
{
    std::vector<std::string> present;
    SqliteStatus status = db.query("PRAGMA table_info(records)", {}, [&present](const SqliteDatabase::Row& row) {
        if (row.size() > 1)
            if (const auto* name = std::get_if<std::string>(&row[1]))
                present.push_back(*name);
    });
    if (status != SqliteStatus::Ok)
        return status;
    std::string columns;
    for (std::size_t index = 0; index < recordColumns.size(); ++index) {
        const bool has = std::find(present.begin(), present.end(), recordColumns[index]) != present.end();
        if (!has && index < keyColumns) {
            problem = "an older records table without its column " + std::string(recordColumns[index]);
            return SqliteStatus::Damaged;
        }
        if (has)
            columns += (columns.empty() ? "" : ", ") + std::string(recordColumns[index]);
    }
    status = db.execute("ALTER TABLE records RENAME TO records_before");
    if (status == SqliteStatus::Ok)
        status = create(db);
    if (status == SqliteStatus::Ok)
        status = db.execute("INSERT OR IGNORE INTO records (" + columns + ") SELECT " + columns
                            + " FROM records_before");
    if (status == SqliteStatus::Ok)
        status = db.execute("DROP TABLE records_before");
    return status;
}

} // namespace library

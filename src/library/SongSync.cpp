#include "library/SongSync.h"

#include "library/DatabaseFile.h"

#include <algorithm>

namespace library {

namespace {

using platform::SqliteDatabase;
using platform::SqliteStatus;

// "FVXS" in the database header marks the file as ours.
constexpr std::int64_t applicationId = 0x46565853;
constexpr int schemaVersion = 1;
constexpr int busyTimeoutMs = 500;

constexpr const char* createTable = "CREATE TABLE IF NOT EXISTS song_sync ("
                                    "folder TEXT NOT NULL, chart_hash INTEGER NOT NULL, offset_ms INTEGER NOT NULL, "
                                    "PRIMARY KEY (folder, chart_hash))";
constexpr const char* upsert = "INSERT INTO song_sync (folder, chart_hash, offset_ms) VALUES (?, ?, ?) "
                               "ON CONFLICT (folder, chart_hash) DO UPDATE SET offset_ms = excluded.offset_ms";
constexpr const char* remove = "DELETE FROM song_sync WHERE folder = ? AND chart_hash = ?";

std::int64_t integerAt(const SqliteDatabase::Row& row, std::size_t column)
{
    const auto* value = column < row.size() ? std::get_if<std::int64_t>(&row[column]) : nullptr;
    return value ? *value : 0;
}

bool isInteger(const SqliteDatabase::Row& row, std::size_t column)
{
    return column < row.size() && std::holds_alternative<std::int64_t>(row[column]);
}

} // namespace

SongSync::SongSync(std::filesystem::path file)
    : file(std::move(file))
{
}

SongSync::~SongSync()
{
    save();
}

int SongSync::offsetMs(const Key& key)
{
    load();
    const auto found = offsets.find(key);
    return found == offsets.end() ? 0 : found->second;
}

int SongSync::setOffsetMs(const Key& key, int wanted)
{
    load();
    const int kept = std::clamp(wanted, -largestOffsetMs, largestOffsetMs);
    if (kept == 0)
        offsets.erase(key);
    else
        offsets[key] = kept;
    changed[key] = kept;
    return kept;
}

void SongSync::load()
{
    if (loaded)
        return;
    loaded = true;
    SqliteStatus status = open();
    if (status == SqliteStatus::Damaged) {
        moveAside(problem);
        status = open();
    }
    if (status != SqliteStatus::Ok) {
        writable = false;
        db.close();
        messages.push_back("SongSync: \"" + file.string() + "\" cannot be used (" + problem
                           + "); songs' own offsets are kept for this run only");
    }
}

SqliteStatus SongSync::open()
{
    problem.clear();
    SqliteStatus status = db.open(file.string(), busyTimeoutMs);
    if (status == SqliteStatus::Ok)
        status = checkIdentity();
    if (status == SqliteStatus::Ok) {
        status = db.execute("PRAGMA application_id = " + std::to_string(applicationId));
        if (status == SqliteStatus::Ok)
            status = db.execute("PRAGMA user_version = " + std::to_string(schemaVersion));
        if (status == SqliteStatus::Ok)
            status = db.execute(createTable);
    }
    if (status == SqliteStatus::Ok)
        status = readRows();
    if (status != SqliteStatus::Ok && problem.empty())
        problem = db.lastError();
    if (status != SqliteStatus::Ok)
        db.close();
    return status;
}

// A file of ours (of a version we read), a new empty one, or neither.
SqliteStatus SongSync::checkIdentity()
{
    std::vector<SqliteDatabase::Row> id;
    std::vector<SqliteDatabase::Row> version;
    std::vector<SqliteDatabase::Row> tables;
    SqliteStatus status = db.query("PRAGMA application_id", {}, id);
    if (status == SqliteStatus::Ok)
        status = db.query("PRAGMA user_version", {}, version);
    if (status == SqliteStatus::Ok)
        status = db.query("SELECT count(*) FROM sqlite_schema", {}, tables);
    if (status != SqliteStatus::Ok)
        return status;
    const std::int64_t foundId = id.empty() ? 0 : integerAt(id.front(), 0);
    const std::int64_t foundVersion = version.empty() ? 0 : integerAt(version.front(), 0);
    const bool empty = !tables.empty() && integerAt(tables.front(), 0) == 0;
    if (foundId == 0 && empty)
        return SqliteStatus::Ok;
    if (foundId != applicationId || foundVersion != schemaVersion) {
        problem = "not a song sync database of version " + std::to_string(schemaVersion);
        return SqliteStatus::Damaged;
    }
    std::vector<SqliteDatabase::Row> check;
    status = db.query("PRAGMA quick_check", {}, check);
    if (status == SqliteStatus::Ok && (check.size() != 1 || check.front().empty()
                                       || check.front().front() != SqliteDatabase::Value{std::string("ok")})) {
        problem = "the integrity check failed";
        return SqliteStatus::Damaged;
    }
    return status;
}

// Rows with an offset that is not a whole number of ms within the range are
// left out, and said.
SqliteStatus SongSync::readRows()
{
    std::size_t refused = 0;
    const SqliteStatus status = db.query("SELECT folder, chart_hash, offset_ms FROM song_sync", {},
        [this, &refused](const SqliteDatabase::Row& row) {
            const std::int64_t offset = integerAt(row, 2);
            const auto* folder = std::get_if<std::string>(&row[0]);
            if (!folder || !isInteger(row, 1) || !isInteger(row, 2) || offset == 0 || offset < -largestOffsetMs
                || offset > largestOffsetMs) {
                ++refused;
                return;
            }
            offsets[{*folder, static_cast<std::uint64_t>(integerAt(row, 1))}] = static_cast<int>(offset);
        });
    if (refused > 0)
        messages.push_back("SongSync: " + std::to_string(refused) + " offsets in \"" + file.string()
                           + "\" are not whole ms from -" + std::to_string(largestOffsetMs) + " to "
                           + std::to_string(largestOffsetMs) + "; those songs play without their own offset");
    return status;
}

void SongSync::moveAside(const std::string& reason)
{
    db.close();
    std::filesystem::path aside;
    const std::error_code failed = DatabaseFile::moveAside(file, aside);
    if (failed) {
        problem = reason + ", and it could not be moved aside: " + failed.message();
        return;
    }
    messages.push_back("SongSync: \"" + file.string() + "\" could not be read (" + reason + "); moved it aside to \""
                       + aside.string() + "\" and started a new one");
}

void SongSync::save()
{
    if (changed.empty() || !writable || !db.isOpen())
        return;
    SqliteStatus status = db.execute("BEGIN IMMEDIATE");
    for (auto entry = changed.begin(); status == SqliteStatus::Ok && entry != changed.end(); ++entry) {
        const auto hash = static_cast<std::int64_t>(entry->first.second);
        status = entry->second == 0 ? db.execute(remove, {entry->first.first, hash})
                                    : db.execute(upsert, {entry->first.first, hash, std::int64_t{entry->second}});
    }
    if (status == SqliteStatus::Ok)
        status = db.execute("COMMIT");
    if (status == SqliteStatus::Ok) {
        changed.clear();
        saveFailing = false;
        return;
    }
    const std::string error = db.lastError();
    db.execute("ROLLBACK");
    if (!std::exchange(saveFailing, true))
        messages.push_back("SongSync: cannot write \"" + file.string() + "\" (" + error
                           + "); the offsets are tried again at the next save");
}

std::vector<std::string> SongSync::takeMessages()
{
    return std::exchange(messages, {});
}

} // namespace library

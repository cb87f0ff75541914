#include "library/RecordBook.h"

#include "library/DatabaseFile.h"
#include "library/RecordLayout.h"

#include <system_error>
#include <utility>

namespace library {

namespace {

using platform::SqliteDatabase;
using platform::SqliteStatus;

constexpr const char* selectAll = "SELECT chart_hash, chart, player, points, godlike, perfect, great, good, booo, "
                                  "holds_ok, holds_ng, mines_hit, highest_combo, date, rate FROM records";

constexpr const char* selectBest
    = "SELECT points FROM records WHERE chart_hash = ? AND chart = ? AND player = ? AND rate = ?";

// A tie keeps the earlier record, also against another game's newer write.
constexpr const char* upsert
    = "INSERT INTO records (chart_hash, chart, player, points, godlike, perfect, great, good, booo, "
      "holds_ok, holds_ng, mines_hit, highest_combo, date, rate) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
      "ON CONFLICT (chart_hash, chart, player, rate) DO UPDATE SET points = excluded.points, "
      "godlike = excluded.godlike, perfect = excluded.perfect, great = excluded.great, good = excluded.good, "
      "booo = excluded.booo, holds_ok = excluded.holds_ok, holds_ng = excluded.holds_ng, "
      "mines_hit = excluded.mines_hit, highest_combo = excluded.highest_combo, date = excluded.date "
      "WHERE excluded.points > records.points";

constexpr const char* insertReplay
    = "INSERT INTO replays (date, rate, chart_hash1, chart_hash2, player1, player2, points1, points2, round) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)";

constexpr const char* selectReplays
    = "SELECT date, rate, chart_hash1, chart_hash2, player1, player2, points1, points2, round FROM replays "
      "WHERE chart_hash1 = ? OR chart_hash2 = ? ORDER BY id DESC LIMIT ?";

std::int64_t integerAt(const SqliteDatabase::Row& row, std::size_t column)
{
    const auto* value = column < row.size() ? std::get_if<std::int64_t>(&row[column]) : nullptr;
    return value ? *value : 0;
}

std::string textAt(const SqliteDatabase::Row& row, std::size_t column)
{
    const auto* value = column < row.size() ? std::get_if<std::string>(&row[column]) : nullptr;
    return value ? *value : std::string();
}

double realAt(const SqliteDatabase::Row& row, std::size_t column)
{
    const auto* value = column < row.size() ? std::get_if<double>(&row[column]) : nullptr;
    return value ? *value : static_cast<double>(integerAt(row, column));
}

std::uint32_t countAt(const SqliteDatabase::Row& row, std::size_t column)
{
    const std::int64_t value = integerAt(row, column);
    return value < 0 ? 0 : value > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(value);
}

RecordEntry entryOf(const SqliteDatabase::Row& row)
{
    RecordEntry entry{{textAt(row, 0), textAt(row, 1), textAt(row, 2)}, {}};
    Record& record = entry.record;
    record.points = countAt(row, 3);
    for (std::size_t index = 0; index < Record::judgementCount; ++index)
        record.judgements[index] = countAt(row, 4 + index);
    record.holdsOk = countAt(row, 9);
    record.holdsNg = countAt(row, 10);
    record.minesHit = countAt(row, 11);
    record.highestCombo = countAt(row, 12);
    record.date = textAt(row, 13);
    entry.key.rate = realAt(row, 14);
    return entry;
}

std::vector<SqliteDatabase::Value> valuesOf(const RecordEntry& entry)
{
    const Record& record = entry.record;
    std::vector<SqliteDatabase::Value> values{entry.key.chartHash, entry.key.chart, entry.key.player,
                                              std::int64_t{record.points}};
    for (const std::uint32_t count : record.judgements)
        values.emplace_back(std::int64_t{count});
    for (const std::uint32_t count : {record.holdsOk, record.holdsNg, record.minesHit, record.highestCombo})
        values.emplace_back(std::int64_t{count});
    values.emplace_back(record.date);
    values.emplace_back(entry.key.rate);
    return values;
}

bool beats(const Record& record, const Record* best)
{
    return !best || record.points > best->points;
}

} // namespace

RecordBook::RecordBook(std::filesystem::path file)
    : RecordBook(std::move(file), Timing{})
{
}

RecordBook::RecordBook(std::filesystem::path file, Timing timing)
    : file(std::move(file))
    , timing(timing)
    , writer(&RecordBook::run, this)
{
}

RecordBook::~RecordBook()
{
    close();
}

std::optional<Record> RecordBook::best(const RecordKey& key) const
{
    const std::lock_guard lock(mutex);
    const auto found = bests.find(key);
    if (found == bests.end())
        return std::nullopt;
    return found->second;
}

std::vector<bool> RecordBook::submit(std::vector<RecordEntry> entries, std::optional<ReplayEntry> replay)
{
    std::vector<bool> newRecords(entries.size(), false);
    const std::string date = DatabaseFile::now("%Y-%m-%d %H:%M");
    const std::lock_guard lock(mutex);
    lastKept.clear();
    if (off || stopping || (entries.empty() && !replay))
        return newRecords;
    if (replay && replay->date.empty())
        replay->date = date;
    for (std::size_t index = 0; index < entries.size(); ++index) {
        RecordEntry& entry = entries[index];
        if (entry.record.date.empty())
            entry.record.date = date;
        const auto found = bests.find(entry.key);
        newRecords[index] = beats(entry.record, found == bests.end() ? nullptr : &found->second);
        if (newRecords[index])
            bests[entry.key] = entry.record;
    }
    pending.push_back({++lastBatch, std::move(entries), std::move(replay)});
    woken = true;
    wake.notify_one();
    return newRecords;
}

std::vector<bool> RecordBook::keptNewRecords() const
{
    const std::lock_guard lock(mutex);
    return lastKept;
}

bool RecordBook::flush()
{
    std::unique_lock lock(mutex);
    const std::uint64_t target = passesBegun + 1;
    woken = true;
    wake.notify_one();
    passDone.wait(lock, [&] { return finished || passesEnded >= target; });
    return pending.empty() && !off;
}

void RecordBook::close()
{
    {
        const std::lock_guard lock(mutex);
        stopping = true;
        wake.notify_one();
    }
    if (writer.joinable())
        writer.join();
}

bool RecordBook::keepsRecords() const
{
    const std::lock_guard lock(mutex);
    return !off;
}

std::vector<std::string> RecordBook::takeMessages()
{
    const std::lock_guard lock(mutex);
    return std::exchange(messages, {});
}

// Waits for songs (or, while something is left to do, for the next retry),
// then makes one pass. The last pass comes when the book is closed.
void RecordBook::run()
{
    std::unique_lock lock(mutex);
    for (;;) {
        const auto ready = [this] { return stopping || woken; };
        if (!off && (!opened || !pending.empty()))
            wake.wait_for(lock, timing.retryInterval, ready);
        else
            wake.wait(lock, ready);
        woken = false;
        const bool last = stopping;
        ++passesBegun;
        lock.unlock();
        writePending();
        answerReplays();
        lock.lock();
        ++passesEnded;
        if (last)
            break;
        passDone.notify_all();
    }
    if (!pending.empty()) {
        messages.push_back("Records: the records of " + std::to_string(pending.size())
                           + " song(s) could not be written and are lost (" + problem + ")");
    }
    db.close();
    finished = true;
    passDone.notify_all();
}

void RecordBook::writePending()
{
    // A damaged file moved aside is followed by a new one at once.
    SqliteStatus status = writeAll();
    for (int attempt = 0; status != SqliteStatus::Ok && attempt < 2; ++attempt) {
        if (!handleFailure(status))
            return;
        status = writeAll();
    }
    if (status != SqliteStatus::Ok) {
        handleFailure(status);
        return;
    }
    if (std::exchange(waitingForLock, false) | std::exchange(writeFailing, false))
        say("Records: the records kept waiting are written now");
}

SqliteStatus RecordBook::writeAll()
{
    if (keepsRecords() && !opened) {
        const SqliteStatus status = openDatabase();
        if (status != SqliteStatus::Ok)
            return status;
    }
    for (;;) {
        Batch batch;
        {
            const std::lock_guard lock(mutex);
            if (off || pending.empty())
                return SqliteStatus::Ok;
            batch = pending.front();
        }
        std::vector<bool> kept;
        const SqliteStatus status = write(batch, kept);
        if (status != SqliteStatus::Ok)
            return status;
        const std::lock_guard lock(mutex);
        pending.pop_front();
        if (batch.number == lastBatch)
            lastKept = std::move(kept);
    }
}

SqliteStatus RecordBook::openDatabase()
{
    problem.clear();
    SqliteStatus status = db.open(file.string(), timing.busyTimeoutMs);
    if (status == SqliteStatus::Ok)
        status = checkIdentity();
    if (status == SqliteStatus::Ok)
        status = prepare();
    if (status == SqliteStatus::Ok)
        status = load();
    if (status != SqliteStatus::Ok) {
        if (problem.empty())
            problem = db.lastError();
        db.close();
        return status;
    }
    opened = true;
    return status;
}

// Before anything is written: a file of ours, a new empty one, or neither.
SqliteStatus RecordBook::checkIdentity()
{
    std::vector<SqliteDatabase::Row> id;
    std::vector<SqliteDatabase::Row> tables;
    std::vector<SqliteDatabase::Row> check;
    SqliteStatus status = db.query("PRAGMA application_id", {}, id);
    if (status == SqliteStatus::Ok)
        status = db.query("SELECT count(*) FROM sqlite_schema", {}, tables);
    if (status != SqliteStatus::Ok)
        return status;
    const std::int64_t foundId = id.empty() ? 0 : integerAt(id.front(), 0);
    const bool empty = !tables.empty() && integerAt(tables.front(), 0) == 0;
    if (foundId != RecordLayout::applicationId && !(foundId == 0 && empty)) {
        problem = "not a records database";
        return SqliteStatus::Damaged;
    }
    status = db.query("PRAGMA quick_check", {}, check);
    if (status != SqliteStatus::Ok)
        return status;
    if (check.size() != 1 || textAt(check.front(), 0) != "ok") {
        problem = "the integrity check failed: " + (check.empty() ? std::string() : textAt(check.front(), 0));
        return SqliteStatus::Damaged;
    }
    return SqliteStatus::Ok;
}

// Where the write-ahead log cannot be used (a file system without shared
// memory), SQLite stays with its rollback journal, as safe with full sync.
SqliteStatus RecordBook::prepare()
{
    SqliteStatus status = db.execute("PRAGMA journal_mode = WAL");
    if (status == SqliteStatus::Ok)
        status = db.execute("PRAGMA synchronous = FULL");
    if (status != SqliteStatus::Ok)
        return status;
    RecordLayout::Change change = RecordLayout::Change::None;
    status = RecordLayout::prepare(db, problem, change);
    if (change == RecordLayout::Change::Migrated)
        say("Records: \"" + file.string() + "\" was kept in an older layout; brought it up to date with its records");
    return status;
}

SqliteStatus RecordBook::load()
{
    std::vector<SqliteDatabase::Row> rows;
    const SqliteStatus status = db.query(selectAll, {}, rows);
    if (status != SqliteStatus::Ok)
        return status;
    const std::lock_guard lock(mutex);
    for (const SqliteDatabase::Row& row : rows)
        remember(entryOf(row));
    return status;
}

// Kept only when better than what memory holds: songs handed over before
// the file was read are not lost to it.
void RecordBook::remember(const RecordEntry& entry)
{
    const auto found = bests.find(entry.key);
    if (found == bests.end() || entry.record.points >= found->second.points)
        bests[entry.key] = entry.record;
}

// Each entry is a new record when the file held no better one on its key
// before this write, whatever memory knew: the answer is the file's.
SqliteStatus RecordBook::write(const Batch& batch, std::vector<bool>& kept)
{
    problem.clear();
    kept.clear();
    SqliteStatus status = db.execute("BEGIN IMMEDIATE");
    for (auto entry = batch.entries.begin(); status == SqliteStatus::Ok && entry != batch.entries.end(); ++entry) {
        std::vector<SqliteDatabase::Row> best;
        status = db.query(selectBest, {entry->key.chartHash, entry->key.chart, entry->key.player, entry->key.rate},
                          best);
        if (status == SqliteStatus::Ok)
            status = db.execute(upsert, valuesOf(*entry));
        kept.push_back(best.empty() || entry->record.points > countAt(best.front(), 0));
    }
    if (status == SqliteStatus::Ok && batch.replay)
        status = writeReplay(*batch.replay);
    if (status == SqliteStatus::Ok)
        status = db.execute("COMMIT");
    if (status != SqliteStatus::Ok) {
        problem = db.lastError();
        db.execute("ROLLBACK");
    }
    return status;
}

SqliteStatus RecordBook::writeReplay(const ReplayEntry& replay)
{
    return db.execute(insertReplay, {replay.date, replay.rate, replay.chartHashes[0], replay.chartHashes[1],
                                     replay.players[0], replay.players[1], std::int64_t{replay.points[0]},
                                     std::int64_t{replay.points[1]}, replay.round});
}

void RecordBook::askReplays(std::string chartHash, std::size_t limit)
{
    const std::lock_guard lock(mutex);
    replaysAsked.emplace(std::move(chartHash), limit);
    replaysFound.reset();
    woken = true;
    wake.notify_all();
}

std::optional<std::vector<ReplayEntry>> RecordBook::takeReplays()
{
    const std::lock_guard lock(mutex);
    return std::exchange(replaysFound, std::nullopt);
}

// Without a database the answer is that there are none.
void RecordBook::answerReplays()
{
    std::optional<std::pair<std::string, std::size_t>> asked;
    {
        const std::lock_guard lock(mutex);
        asked = std::exchange(replaysAsked, std::nullopt);
    }
    if (!asked)
        return;
    std::vector<ReplayEntry> found;
    if (opened) {
        const auto each = [&found](const SqliteDatabase::Row& row) {
            const auto* round = row.size() > 8 ? std::get_if<SqliteDatabase::Blob>(&row[8]) : nullptr;
            found.push_back({textAt(row, 0), realAt(row, 1), {textAt(row, 2), textAt(row, 3)},
                             {textAt(row, 4), textAt(row, 5)}, {countAt(row, 6), countAt(row, 7)},
                             round ? *round : SqliteDatabase::Blob{}});
        };
        if (db.query(selectReplays, {asked->first, asked->first, static_cast<std::int64_t>(asked->second)}, each)
            != SqliteStatus::Ok)
            say("Records: the replays could not be read (" + db.lastError() + ")");
    }
    const std::lock_guard lock(mutex);
    if (!replaysAsked)
        replaysFound = std::move(found);
}

bool RecordBook::handleFailure(SqliteStatus status)
{
    switch (status) {
    case SqliteStatus::Ok:
        return true;
    case SqliteStatus::Damaged:
        return moveAside(problem);
    case SqliteStatus::Unwritable:
        turnOff(problem);
        return false;
    case SqliteStatus::Busy:
        if (!std::exchange(waitingForLock, true))
            say("Records: \"" + file.string() + "\" is locked by another program (" + problem
                + "); records are kept in memory and written later");
        break;
    case SqliteStatus::Failed:
        if (!std::exchange(writeFailing, true))
            say("Records: cannot write \"" + file.string() + "\" now (" + problem
                + "); records are kept in memory and written later");
        break;
    }
    db.close();
    opened = false;
    return false;
}

// The file and its log files go aside together, so that the old database
// still opens as it was; a log left behind would be played into the new one.
bool RecordBook::moveAside(const std::string& reason)
{
    db.close();
    opened = false;
    std::filesystem::path aside;
    const std::error_code failed = DatabaseFile::moveAside(file, aside);
    if (failed) {
        turnOff("it could not be read (" + reason + ") nor moved aside: " + failed.message());
        return false;
    }
    say("Records: \"" + file.string() + "\" could not be read (" + reason + "); moved it aside to \"" + aside.string()
        + "\" and started a new one");
    return true;
}

void RecordBook::turnOff(const std::string& reason)
{
    db.close();
    opened = false;
    {
        const std::lock_guard lock(mutex);
        if (off)
            return;
        off = true;
        pending.clear();
    }
    say("Records: cannot write \"" + file.string() + "\" (" + reason + "); playing on without records");
}

void RecordBook::say(std::string message)
{
    const std::lock_guard lock(mutex);
    messages.push_back(std::move(message));
}

} // namespace library

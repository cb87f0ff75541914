#include "library/SongCache.h"

#include "library/DatabaseFile.h"
#include "library/FieldList.h"

#include <algorithm>
#include <array>
#include <utility>

namespace library {

namespace {

using platform::SqliteDatabase;
using platform::SqliteStatus;

// "FVXC" in the database header marks the file as ours.
constexpr std::int64_t applicationId = 0x46565843;
constexpr int busyTimeoutMs = 2000;

constexpr const char* createTable = "CREATE TABLE IF NOT EXISTS songs (folder TEXT PRIMARY KEY NOT NULL, "
                                    "files TEXT NOT NULL, chart_file TEXT NOT NULL, music_file TEXT NOT NULL, "
                                    "banner_file TEXT NOT NULL, pack TEXT NOT NULL, texts TEXT NOT NULL, "
                                    "numbers TEXT NOT NULL, charts TEXT NOT NULL, warnings TEXT NOT NULL)";
constexpr const char* selectAll = "SELECT folder, files, chart_file, music_file, banner_file, pack, texts, numbers, "
                                  "charts, warnings FROM songs";
constexpr const char* replaceSong = "INSERT OR REPLACE INTO songs (folder, files, chart_file, music_file, banner_file, "
                                    "pack, texts, numbers, charts, warnings) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
constexpr std::size_t fieldsPerFile = 3;
constexpr std::size_t fieldsPerChart = 7;

std::string textAt(const SqliteDatabase::Row& row, std::size_t column)
{
    const auto* value = column < row.size() ? std::get_if<std::string>(&row[column]) : nullptr;
    return value ? *value : std::string();
}

std::int64_t integerAt(const SqliteDatabase::Row& row, std::size_t column)
{
    const auto* value = column < row.size() ? std::get_if<std::int64_t>(&row[column]) : nullptr;
    return value ? *value : 0;
}

std::string filesText(const std::vector<CachedSong::File>& files)
{
    std::vector<std::string> fields;
    for (const CachedSong::File& file : files) {
        fields.push_back(file.path);
        fields.push_back(FieldList::number(file.stamp.size));
        fields.push_back(FieldList::number(file.stamp.modifiedNs));
    }
    return FieldList::join(fields);
}

bool readFiles(const std::string& text, std::vector<CachedSong::File>& files)
{
    const auto fields = FieldList::split(text);
    if (!fields || fields->size() % fieldsPerFile != 0)
        return false;
    for (std::size_t at = 0; at < fields->size(); at += fieldsPerFile) {
        CachedSong::File file{(*fields)[at], {}};
        if (!FieldList::parse((*fields)[at + 1], file.stamp.size) || !FieldList::parse((*fields)[at + 2], file.stamp.modifiedNs))
            return false;
        files.push_back(std::move(file));
    }
    return true;
}

std::string chartsText(const std::vector<ChartChoice>& charts)
{
    std::vector<std::string> fields;
    for (const ChartChoice& chart : charts) {
        for (const std::int64_t number : {static_cast<std::int64_t>(chart.difficulty), std::int64_t{chart.meter},
                                          static_cast<std::int64_t>(chart.chartIndex), static_cast<std::int64_t>(chart.hash),
                                          std::int64_t{chart.notes}})
            fields.push_back(FieldList::number(number));
        fields.push_back(chart.name);
        fields.push_back(chart.shownName);
    }
    return FieldList::join(fields);
}

bool readCharts(const std::string& text, std::vector<ChartChoice>& charts)
{
    const auto fields = FieldList::split(text);
    if (!fields || fields->size() % fieldsPerChart != 0)
        return false;
    for (std::size_t at = 0; at < fields->size(); at += fieldsPerChart) {
        std::int64_t numbers[5]{};
        for (std::size_t index = 0; index < 5; ++index)
            if (!FieldList::parse((*fields)[at + index], numbers[index]))
                return false;
        if (numbers[0] < 0 || numbers[0] > static_cast<std::int64_t>(Difficulty::Edit) || numbers[2] < 0 || numbers[4] < 0)
            return false;
        charts.push_back({static_cast<Difficulty>(numbers[0]), (*fields)[at + 5], static_cast<int>(numbers[1]),
                          static_cast<std::size_t>(numbers[2]), (*fields)[at + 6], static_cast<std::uint64_t>(numbers[3]),
                          static_cast<std::uint32_t>(numbers[4])});
    }
    return true;
}

// The entry's texts and numbers in the order the cache keeps them.
template <typename Entry>
auto textsOf(Entry& entry)
{
    return std::array{&entry.title, &entry.subtitle, &entry.artist, &entry.titleTranslit, &entry.subtitleTranslit,
                      &entry.artistTranslit, &entry.bpmText};
}

template <typename Entry>
auto numbersOf(Entry& entry)
{
    return std::array{&entry.minBpm, &entry.maxBpm, &entry.lengthSeconds, &entry.sampleStartSeconds,
                      &entry.sampleLengthSeconds};
}

std::vector<SqliteDatabase::Value> valuesOf(const CachedSong& song)
{
    const SongEntry& entry = song.entry;
    std::vector<std::string> texts, numbers;
    for (const std::string* text : textsOf(entry))
        texts.push_back(*text);
    for (const double* number : numbersOf(entry))
        numbers.push_back(FieldList::number(*number));
    return {entry.folder.string(), filesText(song.files), entry.chartFile.string(), entry.musicFile.string(),
            entry.bannerFile.string(), entry.pack, FieldList::join(texts), FieldList::join(numbers),
            chartsText(entry.charts), FieldList::join(entry.warnings)};
}

// None for a row that is not whole: that song is read again.
std::optional<CachedSong> songOf(const SqliteDatabase::Row& row)
{
    CachedSong song;
    SongEntry& entry = song.entry;
    entry.folder = textAt(row, 0);
    entry.chartFile = textAt(row, 2);
    entry.musicFile = textAt(row, 3);
    entry.bannerFile = textAt(row, 4);
    entry.pack = textAt(row, 5);
    const auto texts = FieldList::split(textAt(row, 6));
    const auto numbers = FieldList::split(textAt(row, 7));
    const auto warnings = FieldList::split(textAt(row, 9));
    const auto textFields = textsOf(entry);
    const auto numberFields = numbersOf(entry);
    if (entry.folder.empty() || !texts || texts->size() != textFields.size() || !numbers
        || numbers->size() != numberFields.size() || !warnings || !readFiles(textAt(row, 1), song.files)
        || !readCharts(textAt(row, 8), entry.charts) || entry.charts.empty())
        return std::nullopt;
    for (std::size_t index = 0; index < textFields.size(); ++index)
        *textFields[index] = (*texts)[index];
    for (std::size_t index = 0; index < numberFields.size(); ++index)
        if (!FieldList::parse((*numbers)[index], *numberFields[index]))
            return std::nullopt;
    entry.warnings = std::move(*warnings);
    return song;
}

} // namespace

SongCache::SongCache(std::filesystem::path file)
    : file(std::move(file))
{
}

std::unordered_map<std::string, CachedSong> SongCache::load()
{
    std::unordered_map<std::string, CachedSong> songs;
    for (int attempt = 0; on && attempt < 2; ++attempt) {
        SqliteStatus status = open();
        if (status == SqliteStatus::Ok)
            status = readAll(songs);
        if (status == SqliteStatus::Ok)
            return songs;
        songs.clear();
        if (!recover(status, problem.empty() ? db.lastError() : problem))
            break;
    }
    return songs;
}

void SongCache::store(const std::vector<const CachedSong*>& read, const std::vector<std::string>& gone)
{
    if (!on || (read.empty() && gone.empty()))
        return;
    const SqliteStatus status = writeAll(read, gone);
    if (status == SqliteStatus::Ok)
        return;
    const std::string reason = db.lastError();
    db.execute("ROLLBACK");
    if (status == SqliteStatus::Damaged)
        recover(status, reason);
    else
        turnOff(reason);
}

std::vector<std::string> SongCache::takeMessages()
{
    return std::exchange(messages, {});
}

SqliteStatus SongCache::open()
{
    problem.clear();
    if (db.isOpen())
        return SqliteStatus::Ok;
    SqliteStatus status = db.open(file.string(), busyTimeoutMs);
    if (status == SqliteStatus::Ok)
        status = checkIdentity();
    // A cache lost to a crash is only read again: no need to wait for the disk.
    if (status == SqliteStatus::Ok)
        status = db.execute("PRAGMA synchronous = OFF");
    if (status != SqliteStatus::Ok)
        db.close();
    return status;
}

// A new file becomes a cache of this version; any other file must be one.
SqliteStatus SongCache::checkIdentity()
{
    std::vector<SqliteDatabase::Row> id, userVersion, tables;
    SqliteStatus status = db.query("PRAGMA application_id", {}, id);
    if (status == SqliteStatus::Ok)
        status = db.query("PRAGMA user_version", {}, userVersion);
    if (status == SqliteStatus::Ok)
        status = db.query("SELECT count(*) FROM sqlite_master", {}, tables);
    if (status != SqliteStatus::Ok)
        return status;
    const bool fresh = !tables.empty() && integerAt(tables[0], 0) == 0;
    if (fresh) {
        for (const std::string& statement : {std::string("PRAGMA application_id = ") + std::to_string(applicationId),
                                            std::string("PRAGMA user_version = ") + std::to_string(version),
                                            std::string(createTable)}) {
            status = db.execute(statement);
            if (status != SqliteStatus::Ok)
                return status;
        }
        return SqliteStatus::Ok;
    }
    if (id.empty() || integerAt(id[0], 0) != applicationId) {
        problem = "it is not a song cache";
        return SqliteStatus::Damaged;
    }
    const std::int64_t found = userVersion.empty() ? 0 : integerAt(userVersion[0], 0);
    if (found != version) {
        problem = "it was written by another version of the game (cache version " + std::to_string(found)
                  + ", this game reads version " + std::to_string(version) + ")";
        return SqliteStatus::Damaged;
    }
    return SqliteStatus::Ok;
}

SqliteStatus SongCache::readAll(std::unordered_map<std::string, CachedSong>& songs)
{
    std::vector<SqliteDatabase::Row> count;
    if (db.query("SELECT count(*) FROM songs", {}, count) == SqliteStatus::Ok && !count.empty())
        songs.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, integerAt(count[0], 0))));
    std::size_t incomplete = 0;
    const SqliteStatus status = db.query(selectAll, {}, [&](const SqliteDatabase::Row& row) {
        std::optional<CachedSong> song = songOf(row);
        if (!song) {
            ++incomplete;
            return;
        }
        std::string folder = song->entry.folder.string();
        songs.emplace(std::move(folder), std::move(*song));
    });
    if (status == SqliteStatus::Ok && incomplete > 0)
        messages.push_back("Song cache: " + std::to_string(incomplete)
                           + " damaged entries in \"" + file.string() + "\"; those songs are read again");
    return status;
}

SqliteStatus SongCache::writeAll(const std::vector<const CachedSong*>& read, const std::vector<std::string>& gone)
{
    SqliteStatus status = open();
    if (status == SqliteStatus::Ok)
        status = db.execute("BEGIN IMMEDIATE");
    std::vector<std::vector<SqliteDatabase::Value>> removed, written;
    for (const std::string& folder : gone)
        removed.push_back({folder});
    for (const CachedSong* song : read)
        written.push_back(valuesOf(*song));
    if (status == SqliteStatus::Ok)
        status = db.executeEach("DELETE FROM songs WHERE folder = ?", removed);
    if (status == SqliteStatus::Ok)
        status = db.executeEach(replaceSong, written);
    if (status == SqliteStatus::Ok)
        status = db.execute("COMMIT");
    return status;
}

bool SongCache::recover(SqliteStatus status, const std::string& reason)
{
    db.close();
    if (status != SqliteStatus::Damaged) {
        turnOff(reason);
        return false;
    }
    std::filesystem::path aside;
    if (const std::error_code failed = DatabaseFile::moveAside(file, aside)) {
        turnOff(reason + "; it could not be moved aside: " + failed.message());
        return false;
    }
    messages.push_back("Song cache: \"" + file.string() + "\" could not be used (" + reason + "); moved it aside to \""
                       + aside.string() + "\" and started a new one");
    return true;
}

void SongCache::turnOff(const std::string& reason)
{
    db.close();
    if (!std::exchange(on, false))
        return;
    messages.push_back("Song cache: cannot use \"" + file.string() + "\" (" + reason
                       + "); the song library is read without it");
}

} // namespace library

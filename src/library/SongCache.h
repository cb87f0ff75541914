#pragma once

#include "library/CachedSong.h"
#include "platform/SqliteDatabase.h"

#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

namespace library {

// What the song panel needs of every song, kept between starts in an SQLite
// file in the player's folder, so that a large library is not read again
// whole: a song is read again only when its folder or a file it was read
// from has changed. The cache is never trusted over the files. A file that
// is not a song cache, a damaged one or one of another version is moved
// aside (as the records are) and a new one begun; a cache that cannot be
// opened or written is left off, and the library is read whole each time.
// Used by one thread at a time.
class SongCache {
public:
    static constexpr const char* fileName = "songcache.sqlite";
    // Raised whenever what the cache keeps, or how, changes.
    static constexpr std::int64_t version = 1;

    explicit SongCache(std::filesystem::path file);

    // Every song the cache holds, by folder (as the scan writes it).
    std::unordered_map<std::string, CachedSong> load();
    // The songs read anew, and the folders no longer in the library, in one
    // transaction.
    void store(const std::vector<const CachedSong*>& read, const std::vector<std::string>& gone);

    bool isOn() const { return on; }
    // Lines for the log, once each.
    std::vector<std::string> takeMessages();

private:
    platform::SqliteStatus open();
    platform::SqliteStatus checkIdentity();
    platform::SqliteStatus readAll(std::unordered_map<std::string, CachedSong>& songs);
    platform::SqliteStatus writeAll(const std::vector<const CachedSong*>& read, const std::vector<std::string>& gone);
    // A file that cannot be used: aside and a new one, or off.
    bool recover(platform::SqliteStatus status, const std::string& reason);
    void turnOff(const std::string& reason);

    const std::filesystem::path file;
    platform::SqliteDatabase db;
    bool on = true;
    std::string problem;
    std::vector<std::string> messages;
};

} // namespace library

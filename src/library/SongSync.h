#pragma once

#include "platform/SqliteDatabase.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace library {

// Each song's own sync: an offset in ms that the player set for one song,
// played on top of the global offset. Kept in an SQLite file of its own in
// the player's folder (never in the pack's files), by the song's folder and
// the identity of its chart file, so that a song whose charts change starts
// from 0 again.
//
// The file is read at the first look, not at the start. Offsets live in
// memory; `save` writes those changed since. Nothing here stops the game: a
// damaged or foreign file is moved aside and a new one started, a row with a
// value outside the range is left out, a file that cannot be written keeps
// the offsets for this run only. Each is said once (`takeMessages`).
class SongSync {
public:
    static constexpr const char* fileName = "songsync.sqlite";
    // Offsets are whole ms within this either way.
    static constexpr int largestOffsetMs = 2000;

    // The song's folder and its chart identity.
    using Key = std::pair<std::string, std::uint64_t>;

    explicit SongSync(std::filesystem::path file = fileName);
    ~SongSync();
    SongSync(const SongSync&) = delete;
    SongSync& operator=(const SongSync&) = delete;

    // 0 for a song without one.
    int offsetMs(const Key& key);
    // Sets the song's offset, clamped to the range; the value kept.
    int setOffsetMs(const Key& key, int offsetMs);
    // Writes the offsets changed since the last save.
    void save();
    std::vector<std::string> takeMessages();

private:
    void load();
    platform::SqliteStatus open();
    platform::SqliteStatus checkIdentity();
    platform::SqliteStatus readRows();
    void moveAside(const std::string& reason);

    std::filesystem::path file;
    platform::SqliteDatabase db;
    bool loaded = false;
    bool writable = true;
    bool saveFailing = false;
    std::map<Key, int> offsets;
    std::map<Key, int> changed;
    std::string problem;
    std::vector<std::string> messages;
};

} // namespace library

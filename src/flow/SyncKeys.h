#pragma once

#include "flow/KeyRepeat.h"
#include "library/SongSync.h"

#include <cstdint>
#include <optional>

namespace chart {
struct Song;
}
namespace library {
struct SongEntry;
}

// Comma and period move a song's own sync a ms earlier or later; a held key
// repeats, faster after a while. Shared by the song panel and the results.
class SyncKeys {
public:
    SyncKeys();

    // Presses made on other screens are not counted (a screen shown again).
    void reset();
    // Moves the song's sync by the steps due at `tick`; nothing without a
    // song (`key`) or while `ignored` (keys typed into a search).
    void update(std::uint32_t tick, library::SongSync& sync, const std::optional<library::SongSync::Key>& key,
                bool ignored = false);

    // The key of the song about to play: the panel's chosen song's, when
    // the song loaded is that one (its first chart's hash matches).
    static std::optional<library::SongSync::Key> ofPlayed(const library::SongEntry* chosen, const chart::Song* playing);
    // The song's own offset, said in the log when it is not 0.
    static int offsetOf(library::SongSync& sync, const std::optional<library::SongSync::Key>& key);

private:
    KeyRepeat earlier;
    KeyRepeat later;
};

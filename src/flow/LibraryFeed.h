#pragma once

#include "library/LibraryScanner.h"
#include "library/SongSelection.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Feeds the song panel from the library scanner: the first reading adds the
// songs to the panel as they are found (at most every few frames, so that
// sorting a growing list takes no frame's time); a reading again (rescan)
// replaces the list once it is over, the panel showing the old list meanwhile.
// The scanner's lines go to the log.
class LibraryFeed {
public:
    static constexpr std::uint32_t addEveryMs = 250;

    // Reads the library of the working directory and FLAREVOX_SONG_DIRS,
    // through the song cache in the player's folder.
    void start(bool rescan);
    // Once per frame; true on the frame the reading is over.
    bool update(library::SongSelection& selection, std::uint32_t tick);
    // Waits for the reading to be over and hands its songs over.
    void finish(library::SongSelection& selection);
    bool isReading() const { return scanner != nullptr; }
    // "Reading songs: 12,345 of 30,135"; empty when not reading.
    std::string progressText() const;

private:
    void hand(library::SongSelection& selection);
    void logLines() const;

    std::unique_ptr<library::LibraryScanner> scanner;
    bool replacing = false;
    std::vector<library::SongEntry> incoming;
    std::uint32_t lastHanded = 0;
};

#pragma once

#include "library/SongEntry.h"

#include <cstddef>
#include <string>
#include <vector>

namespace library {

// The orders the song panel lists songs in, and what each is sorted by.
// Every order ends on title and folder, so that it is the same every time.
class SongOrder {
public:
    enum Order { ByPack, ByTitle, ByArtist, ByBpm, ByMeter };
    static constexpr int count = 5;

    static const char* name(Order order);
    static Order next(Order order) { return static_cast<Order>((order + 1) % count); }

    // What the orders compare, made once per song (text lowered).
    struct Key {
        std::string pack;
        std::string title;
        std::string artist;
        double bpm = 0.0;
        int meter = 0; // of the chart the chosen difficulty gives
        std::string folder;
    };
    static Key keyOf(const SongEntry& song, Difficulty meterOf);
    // The song's pack; a song directly under a root belongs to the group
    // named after the root.
    static std::string groupOf(const SongEntry& song);

    // `songs` indexes `keys`; sorted in place.
    static void sort(std::vector<std::size_t>& songs, const std::vector<Key>& keys, Order order);
};

} // namespace library

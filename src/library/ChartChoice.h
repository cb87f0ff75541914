#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace library {

// The difficulty slots a song list shows, in the order it shows them.
enum class Difficulty { Beginner, Easy, Medium, Hard, Challenge, Edit };

// One dance-single chart a player can pick.
struct ChartChoice {
    Difficulty difficulty = Difficulty::Edit;
    std::string name;           // as the file names it ("MANIAC", "Hard"): what --difficulty takes
    int meter = 0;
    std::size_t chartIndex = 0; // into chart::Song::charts of the song's chart file
    std::string shownName = {}; // what the song list shows: an Edit chart's description, else `name`
    std::uint64_t hash = 0;     // chart::ChartHash: the chart's identity for records and the network battle
    std::uint32_t notes = 0;    // the arrows a player is judged on (holds and rolls count once; no mines or fakes)
};

} // namespace library

#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace library {

// Whose record on what: the chart by its identity (chart::ChartHash in hex),
// its difficulty as the file names it, and the player's name. A round played
// at another music rate than 1.0 is kept apart from the rounds at 1.0.
struct RecordKey {
    std::string chartHash;
    std::string chart;
    std::string player;
    double rate = 1.0;

    friend auto operator<=>(const RecordKey&, const RecordKey&) = default;
};

// One player's round on a chart: the scaled points and what earned them.
struct Record {
    static constexpr std::size_t judgementCount = 5;

    std::uint32_t points = 0;
    // Hits of each judgement, best first ("Godlike" ... "Booo").
    std::array<std::uint32_t, judgementCount> judgements{};
    std::uint32_t holdsOk = 0;
    std::uint32_t holdsNg = 0;
    std::uint32_t minesHit = 0;
    std::uint32_t highestCombo = 0;
    // Local time of the round, "YYYY-MM-DD HH:MM".
    std::string date;

    friend bool operator==(const Record&, const Record&) = default;
};

// A record to keep, as the end of a song hands it over.
struct RecordEntry {
    RecordKey key;
    Record record;
};

// A round's replay as the records keep it beside the song's records: who
// played which chart (players 1 and 2), their points, and the round as a
// ReplayFile.
struct ReplayEntry {
    std::string date; // stamped with now when empty
    double rate = 1.0;
    std::array<std::string, 2> chartHashes;
    std::array<std::string, 2> players;
    std::array<std::uint32_t, 2> points{};
    std::vector<std::uint8_t> round;
};

} // namespace library

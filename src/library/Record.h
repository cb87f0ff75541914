#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>

namespace library {

// Whose record on what: the chart by its identity (chart::ChartHash in hex),
// its difficulty as the file names it, and the player's name.
struct RecordKey {
    std::string chartHash;
    std::string chart;
    std::string player;

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

} // namespace library

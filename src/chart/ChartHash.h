#pragma once

#include "chart/Chart.h"

#include <cstdint>
#include <string>

namespace chart {

// The identity of a chart as it is played: a 64-bit FNV-1a digest of its
// notes (beat and end as exact fractions, lane, kind) and of its tempo map
// (the song time of beat 0, tempo changes, stops, delays and warps), each
// field in a fixed width and byte order. Titles, file names, folders, music,
// difficulty names and meters are not part of it, so a renamed or moved song
// keeps its identity and a chart whose steps or timing were edited gets a new
// one. The digest is the same on every machine and every run.
class ChartHash {
public:
    ChartHash();
    static ChartHash of(const Chart& chart);

    void addTempo(const TempoMap& tempo);
    void addNote(const Note& note);

    std::uint64_t value() const { return state; }
    // Sixteen lower-case hexadecimal digits.
    std::string hex() const { return hexOf(state); }
    static std::string hexOf(std::uint64_t value);

private:
    static constexpr std::uint64_t offsetBasis = 0xcbf29ce484222325ull;
    static constexpr std::uint64_t prime = 0x100000001b3ull;

    void addByte(std::uint8_t byte);
    void addInteger(std::uint64_t value);
    void addNumber(double value);

    std::uint64_t state = offsetBasis;
};

} // namespace chart

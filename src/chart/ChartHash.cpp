#include "chart/ChartHash.h"

#include <bit>
#include <cstdio>

namespace chart {

namespace {

// Marks the layout of the hashed fields; a different layout gives other digests.
constexpr std::uint8_t layoutVersion = 1;

} // namespace

ChartHash::ChartHash()
{
    addByte(layoutVersion);
}

ChartHash ChartHash::of(const Chart& chart)
{
    ChartHash hash;
    hash.addTempo(chart.tempo);
    hash.addInteger(chart.notes.size());
    for (const Note& note : chart.notes)
        hash.addNote(note);
    return hash;
}

void ChartHash::addTempo(const TempoMap& tempo)
{
    addNumber(tempo.beat0Ms());
    addInteger(tempo.bpmChanges().size());
    for (const TempoChange& change : tempo.bpmChanges()) {
        addNumber(change.beat);
        addNumber(change.bpm);
    }
    // Stops and delays differ in where a note on their beat falls: kept apart.
    for (const auto* pauses : {&tempo.stops(), &tempo.delays()}) {
        addInteger(pauses->size());
        for (const TempoStop& pause : *pauses) {
            addNumber(pause.beat);
            addNumber(pause.seconds);
        }
    }
    addInteger(tempo.warps().size());
    for (const TempoWarp& warp : tempo.warps()) {
        addNumber(warp.beat);
        addNumber(warp.length);
    }
}

void ChartHash::addNote(const Note& note)
{
    addInteger(static_cast<std::uint64_t>(note.beat.numerator()));
    addInteger(static_cast<std::uint64_t>(note.beat.denominator()));
    addInteger(static_cast<std::uint64_t>(note.end.numerator()));
    addInteger(static_cast<std::uint64_t>(note.end.denominator()));
    addByte(static_cast<std::uint8_t>(note.lane));
    addByte(static_cast<std::uint8_t>(note.kind));
}

std::string ChartHash::hexOf(std::uint64_t value)
{
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(value));
    return digits;
}

void ChartHash::addByte(std::uint8_t byte)
{
    state = (state ^ byte) * prime;
}

// Least significant byte first, whatever the machine's order.
void ChartHash::addInteger(std::uint64_t value)
{
    for (int shift = 0; shift < 64; shift += 8)
        addByte(static_cast<std::uint8_t>(value >> shift));
}

// The IEEE 754 bits; -0 counts as 0 (the readers' values are always finite).
void ChartHash::addNumber(double value)
{
    addInteger(std::bit_cast<std::uint64_t>(value == 0.0 ? 0.0 : value));
}

} // namespace chart

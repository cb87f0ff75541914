#pragma once

#include "FuzzCheck.h"

#include "chart/ChartFile.h"
#include "chart/ChartLimits.h"

#include <cmath>
#include <cstdint>
#include <string_view>

// Reads arbitrary bytes as a chart file of the given format and checks the
// promises the game relies on: notes in order and in four lanes, tails not
// before heads, finite song times for every note and back.
inline void checkChartFile(const std::uint8_t* data, std::size_t size, chart::ChartFormat format)
{
    const chart::ReadResult result =
        chart::ChartFile::parse(std::string_view(reinterpret_cast<const char*>(data), size), format);
    fuzzCheck(result.ok() || result.song.charts.empty(), "a refused file has no charts");
    for (const chart::Chart& steps : result.song.charts) {
        fuzzCheck(steps.notes.size() <= chart::ChartLimits::maxNotesPerChart, "notes stay within the limit");
        for (std::size_t i = 0; i < steps.notes.size(); ++i) {
            const chart::Note& note = steps.notes[i];
            fuzzCheck(note.lane <= LaneDown, "notes go into one of four lanes");
            fuzzCheck(note.end >= note.beat, "a tail does not come before its head");
            fuzzCheck(i == 0 || steps.notes[i - 1].beat <= note.beat, "notes come in beat order");
            const double ms = steps.tempo.msAt(note.beat.value());
            fuzzCheck(std::isfinite(ms) && std::isfinite(steps.tempo.msAt(note.end.value())), "song times are finite");
            fuzzCheck(std::isfinite(steps.tempo.beatAt(ms)) && steps.tempo.bpmAt(note.beat.value()) > 0.0,
                "beats and tempos at song times are finite");
        }
    }
}

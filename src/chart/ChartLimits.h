#pragma once

#include <cstddef>

namespace chart {

// Bounds on what a chart file may ask for. Real files stay far below them;
// beyond them a file or chart is refused instead of filling memory.
struct ChartLimits {
    static constexpr std::size_t maxFileBytes = 16u << 20;
    static constexpr std::size_t maxCharts = 512;
    static constexpr std::size_t maxNotesPerChart = 200000;
    static constexpr std::size_t maxRowsPerMeasure = 4096;
    static constexpr double maxBeat = 200000.0;          // 50000 measures
    static constexpr std::size_t maxTempoEvents = 100000; // tempo changes, stops
    static constexpr double maxBpm = 9999999.0; // faster tempos are read as warps
    static constexpr double minBpm = 1e-6;
    static constexpr double maxSeconds = 1e6; // offsets, gaps, stops
};

} // namespace chart

#pragma once

#include <ostream>
#include <string>

// Reads an SM, SSC or DWI chart file and describes it: the song's data, its
// tempo map, and one line per playable chart with its counts and the song
// times of its first and last note.
class ChartInspector {
public:
    static bool isChartFile(const std::string& path);
    // True when the file was read (charts may still have been refused).
    static bool inspect(const std::string& path, std::ostream& out);
};

#pragma once

#include <string>
#include <utility>
#include <vector>

// A measuring switch: with FLAREVOX_STARTUP_TIMES=<file> the game notes the
// steady clock (CLOCK_MONOTONIC, in milliseconds) at the end of each step of
// its start-up, writes the notes to the file, one "step<TAB>milliseconds"
// line each, once the first frame has been swapped to the screen, and then
// ends. Off by default; while off every call returns at once.
class StartupTimes {
public:
    using Mark = std::pair<std::string, double>;

    static constexpr const char* variable = "FLAREVOX_STARTUP_TIMES";
    static constexpr const char* firstFrameStep = "first frame";

    // Reads the switch; the process entry calls it first.
    static void enableFromEnvironment();
    static bool enabled();
    // Notes that the named step has just ended.
    static void mark(const char* step);
    // Called after every buffer swap. With the switch on, the first call notes
    // the first frame, writes the file and returns true: the caller then ends
    // the game. False otherwise.
    static bool frameShown();

    // The file's text, and back; parse is false for a line that is not a
    // step name, a tab and a number, or for a text without any line.
    static std::string format(const std::vector<Mark>& marks);
    static bool parse(const std::string& text, std::vector<Mark>& marks);
};

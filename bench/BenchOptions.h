#pragma once

#include <string>
#include <vector>

// The command line of flarevox-bench. Without a section the driver runs every
// section in a process of its own and gathers their rows into one table.
struct BenchOptions {
    static constexpr int maximumParticles = 100000;
    // Arrows per four beats: at most two arrows on every half beat.
    static constexpr int maximumDensity = 16;

    std::string section;            // empty: run them all
    double songSeconds = 1e9;       // the whole song unless shorter
    double readerSeconds = 1.0;     // measuring time per reader format
    double frameSeconds = 1e9;      // play measured by "frames": the whole song unless shorter
    double growthSeconds = 3.0;     // play measured per step of "frame-growth"
    int particles = -1;             // "MaxParticels" for "frames"; -1 keeps the configured count
    int density = 0;                // "frames" on a written chart of this density; 0 plays the song's own
    int libraryPacks = 150;         // "library-scale": packs of 200 forged songs
    std::string csvPath = "../bench/results.csv";
    std::vector<std::string> readerFolders{"Data"};

    // False, with a message on standard error, for an unknown argument.
    bool parse(int argc, char** argv);
    // The arguments that give a section process the same settings.
    std::vector<std::string> forwardedArguments() const;
};

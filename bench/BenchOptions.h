#pragma once

#include <string>
#include <vector>

// The command line of flarevox-bench. Without a section the driver runs every
// section in a process of its own and gathers their rows into one table.
struct BenchOptions {
    std::string section;            // empty: run them all
    double songSeconds = 1e9;       // the whole song unless shorter
    double readerSeconds = 1.0;     // measuring time per reader format
    std::string csvPath = "../bench/results.csv";
    std::vector<std::string> readerFolders{"Data"};

    // False, with a message on standard error, for an unknown argument.
    bool parse(int argc, char** argv);
    // The arguments that give a section process the same settings.
    std::vector<std::string> forwardedArguments() const;
};

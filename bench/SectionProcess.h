#pragma once

#include "BenchTable.h"

#include <string>
#include <vector>

// Runs one section of the benchmark in a fresh process of this executable,
// so that its peak memory and start-up are its own, and gathers its rows.
class SectionProcess {
public:
    // The rows the section printed; a row marking the failure when it did
    // not end normally.
    static BenchTable run(const std::string& section, const std::vector<std::string>& arguments);
};

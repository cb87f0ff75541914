#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the fuzzer with a message when a reader broke a promise its callers
// rely on (for instance a pixel buffer smaller than the image it describes).
inline void fuzzCheck(bool holds, const char* what)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

#pragma once

#include <cstdint>

// Counts the heap allocations of the whole benchmark process: the bench
// replaces the global operator new, so every `new` of the game is seen.
class AllocationCounter {
public:
    static std::uint64_t count();
};

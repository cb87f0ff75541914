#pragma once

#include "BenchTable.h"

#include <string>

// The song library at the size players bring: 30,000 forged song folders in
// 150 packs. In this process: a cold scan (no cache), a warm one, a warm one
// after one song changed, and the panel's search. In the game: the first
// frame against an empty library, and with a warm cache the time from start
// to a panel that lists every song, and the memory that takes.
class LibraryScaleBench {
public:
    LibraryScaleBench(std::string gameBinary, int packs, int songsPerPack)
        : gameBinary(std::move(gameBinary))
        , packs(packs)
        , songsPerPack(songsPerPack)
    {
    }

    BenchTable run() const;

private:
    std::string gameBinary;
    int packs;
    int songsPerPack;
};

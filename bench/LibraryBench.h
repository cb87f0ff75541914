#pragma once

#include "BenchTable.h"

// The song library's scan over 1,000 generated song folders (ten packs of a
// hundred, each with an SM file of five charts and an Ogg Vorbis file), which
// must take under a second.
class LibraryBench {
public:
    BenchTable run() const;
};

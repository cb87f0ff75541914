#pragma once

#include "BenchTable.h"

#include <string>
#include <vector>

// Our texture and model readers against the libraries a developer would
// otherwise pick (stb_image, assimp), decoding the same files from memory.
class ReaderBench {
public:
    // Reads every TGA, BMP, 3DS and MS3D file below the given folders.
    explicit ReaderBench(const std::vector<std::string>& folders);

    BenchTable run(double secondsPerFormat) const;

private:
    struct File {
        std::string path;
        std::vector<unsigned char> bytes;
    };

    void collect(const std::string& folder);

    std::vector<File> tga;
    std::vector<File> bmp;
    std::vector<File> threeDs;
    std::vector<File> ms3d;
};

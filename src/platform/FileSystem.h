#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// File access for game paths. The game's paths use backslashes in places
// ("Data\Dwi\Coconut.DWI"); on Linux a backslash is taken as a separator.
// Callers that cache by path keep comparing the path exactly as given.
class FileSystem {
public:
    static std::string nativePath(const std::string& gamePath);

    static std::FILE* open(const std::string& gamePath, const char* mode);
    static bool exists(const std::string& gamePath);
    static bool remove(const std::string& gamePath);
    // Reads the whole file; false when it cannot be opened or read.
    static bool readAll(const std::string& gamePath, std::vector<std::uint8_t>& bytes);
};

} // namespace platform

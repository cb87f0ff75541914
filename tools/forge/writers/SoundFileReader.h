#pragma once

#include "writers/PcmAudio.h"

#include <filesystem>
#include <optional>
#include <string>

namespace forge {

// Decodes any file libsndfile reads (WAV, MP3, ...) into floats.
class SoundFileReader {
public:
    struct Result {
        PcmAudio audio;
        int format = 0; // libsndfile's format word
    };

    // Empty when the file cannot be opened or decoded; error says why.
    static std::optional<Result> read(const std::filesystem::path& path, std::string* error = nullptr);
};

} // namespace forge

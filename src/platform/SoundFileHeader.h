#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// What a sound file's header says about its length, read without decoding.
struct SoundFileHeader {
    std::int64_t frames = 0; // may be an estimate for compressed files; 0 when unknown
    int sampleRate = 0;
    int channels = 0;

    // Empty, with libsndfile's reason in `error`, when the file cannot be opened as sound.
    static std::optional<SoundFileHeader> read(const std::filesystem::path& path, std::string& error);
};

} // namespace platform

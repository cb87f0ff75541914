#include "writers/SoundFileReader.h"

#include <sndfile.h>

#include <memory>

namespace forge {

std::optional<SoundFileReader::Result> SoundFileReader::read(const std::filesystem::path& path, std::string* error)
{
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(path.c_str(), SFM_READ, &info), &sf_close);
    if (!file || info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
        if (error)
            *error = sf_strerror(file.get());
        return std::nullopt;
    }
    Result result;
    result.format = info.format;
    result.audio.sampleRate = info.samplerate;
    result.audio.channels = info.channels;

    // Read in blocks: the frame count of compressed files is only an estimate.
    constexpr sf_count_t blockFrames = 16384;
    std::vector<float> block(static_cast<std::size_t>(blockFrames * info.channels));
    sf_count_t got = 0;
    while ((got = sf_readf_float(file.get(), block.data(), blockFrames)) > 0)
        result.audio.samples.insert(result.audio.samples.end(), block.begin(),
                                    block.begin() + got * info.channels);
    return result;
}

} // namespace forge

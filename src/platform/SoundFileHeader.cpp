#include "platform/SoundFileHeader.h"

#include <sndfile.h>

namespace platform {

std::optional<SoundFileHeader> SoundFileHeader::read(const std::filesystem::path& path, std::string& error)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = sf_strerror(nullptr);
        return std::nullopt;
    }
    sf_close(file);
    if (info.samplerate <= 0 || info.channels <= 0) {
        error = "no sample rate or channels in the header";
        return std::nullopt;
    }
    // libsndfile reports an unknown length as a huge count.
    const bool known = info.frames > 0 && info.frames < SF_COUNT_MAX / 2;
    return SoundFileHeader{known ? info.frames : 0, info.samplerate, info.channels};
}

} // namespace platform

#include "writers/Mp3Writer.h"

#include <sndfile.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace forge {

void Mp3Writer::write(const std::filesystem::path& path, const PcmAudio& audio, double quality)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.channels;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open(path.c_str(), SFM_WRITE, &info), &sf_close);
    if (!file)
        throw std::runtime_error("cannot encode " + path.string() + ": " + sf_strerror(nullptr));

    int mode = SF_BITRATE_MODE_CONSTANT;
    sf_command(file.get(), SFC_SET_BITRATE_MODE, &mode, sizeof mode);
    sf_command(file.get(), SFC_SET_COMPRESSION_LEVEL, &quality, sizeof quality);

    const auto frames = static_cast<sf_count_t>(audio.frames());
    if (sf_writef_float(file.get(), audio.samples.data(), frames) != frames)
        throw std::runtime_error("cannot encode " + path.string() + ": " + sf_strerror(file.get()));
}

} // namespace forge

#include "writers/WavWriter.h"

#include "writers/ByteWriter.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace forge {

std::int16_t WavWriter::toPcm16(float sample)
{
    if (std::isnan(sample))
        return 0;
    const float clamped = std::clamp(sample, -1.0f, 1.0f);
    return static_cast<std::int16_t>(std::lrint(clamped * 32767.0f));
}

std::vector<std::uint8_t> WavWriter::encode(const PcmAudio& audio)
{
    if (audio.channels < 1 || audio.sampleRate < 1)
        throw std::invalid_argument("WAV needs at least one channel and a positive rate");
    const auto channels = static_cast<std::uint32_t>(audio.channels);
    const auto rate = static_cast<std::uint32_t>(audio.sampleRate);
    const auto dataBytes = static_cast<std::uint32_t>(audio.frames() * channels * 2);

    ByteWriter out;
    out.raw("RIFF", 4);
    out.u32(36 + dataBytes);
    out.raw("WAVE", 4);
    out.raw("fmt ", 4);
    out.u32(16);
    out.u16(1); // PCM
    out.u16(static_cast<std::uint16_t>(channels));
    out.u32(rate);
    out.u32(rate * channels * 2);
    out.u16(static_cast<std::uint16_t>(channels * 2));
    out.u16(16);
    out.raw("data", 4);
    out.u32(dataBytes);
    const std::size_t count = audio.frames() * channels;
    for (std::size_t i = 0; i < count; ++i)
        out.i16(toPcm16(audio.samples[i]));
    return out.data();
}

void WavWriter::write(const std::filesystem::path& path, const PcmAudio& audio)
{
    writeFile(path, encode(audio));
}

} // namespace forge

#include "writers/OggWriter.h"

#include "writers/ByteWriter.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace forge {
namespace {

struct MemoryFile {
    std::vector<std::uint8_t> bytes;
    sf_count_t position = 0;
};

MemoryFile& fileOf(void* user)
{
    return *static_cast<MemoryFile*>(user);
}

sf_count_t memoryLength(void* user)
{
    return static_cast<sf_count_t>(fileOf(user).bytes.size());
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* user)
{
    MemoryFile& file = fileOf(user);
    const sf_count_t base = whence == SEEK_CUR ? file.position : whence == SEEK_END ? memoryLength(user) : 0;
    file.position = std::max<sf_count_t>(0, base + offset);
    return file.position;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* user)
{
    MemoryFile& file = fileOf(user);
    const sf_count_t available = std::max<sf_count_t>(0, memoryLength(user) - file.position);
    const sf_count_t got = std::min(count, available);
    std::memcpy(out, file.bytes.data() + file.position, static_cast<std::size_t>(got));
    file.position += got;
    return got;
}

sf_count_t memoryWrite(const void* in, sf_count_t count, void* user)
{
    MemoryFile& file = fileOf(user);
    const auto end = static_cast<std::size_t>(file.position + count);
    if (end > file.bytes.size())
        file.bytes.resize(end);
    std::memcpy(file.bytes.data() + file.position, in, static_cast<std::size_t>(count));
    file.position += count;
    return count;
}

sf_count_t memoryTell(void* user)
{
    return fileOf(user).position;
}

// Ogg's page checksum: CRC-32, polynomial 0x04C11DB7, not reflected, starting at 0.
std::uint32_t oggCrc(const std::uint8_t* data, std::size_t size)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t value = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                value = value & 0x80000000u ? (value << 1) ^ 0x04C11DB7u : value << 1;
            entries[i] = value;
        }
        return entries;
    }();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

void putLittleEndian(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Every page gets the fixed serial number and its checksum again.
void fixSerialNumbers(std::vector<std::uint8_t>& bytes)
{
    constexpr std::size_t headerSize = 27;
    std::size_t page = 0;
    while (page + headerSize <= bytes.size()) {
        if (std::memcmp(bytes.data() + page, "OggS", 4) != 0)
            throw std::runtime_error("Ogg stream damaged at byte " + std::to_string(page));
        const std::size_t segments = bytes[page + 26];
        std::size_t size = headerSize + segments;
        if (page + size > bytes.size())
            break;
        for (std::size_t i = 0; i < segments; ++i)
            size += bytes[page + headerSize + i];
        if (page + size > bytes.size())
            throw std::runtime_error("Ogg page runs past the end");
        putLittleEndian(&bytes[page + 14], OggWriter::serialNumber);
        putLittleEndian(&bytes[page + 22], 0);
        putLittleEndian(&bytes[page + 22], oggCrc(&bytes[page], size));
        page += size;
    }
}

} // namespace

std::vector<std::uint8_t> OggWriter::encode(const PcmAudio& audio, double quality)
{
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    MemoryFile memory;
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.channels;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    {
        const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(sf_open_virtual(&io, SFM_WRITE, &info, &memory), &sf_close);
        if (!file)
            throw std::runtime_error(std::string("cannot encode Ogg Vorbis: ") + sf_strerror(nullptr));
        sf_command(file.get(), SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
        // In blocks: libvorbis fails on very large analysis buffers.
        constexpr std::size_t blockFrames = 4096;
        for (std::size_t frame = 0; frame < audio.frames(); frame += blockFrames) {
            const auto count = static_cast<sf_count_t>(std::min(blockFrames, audio.frames() - frame));
            const float* block = audio.samples.data() + frame * static_cast<std::size_t>(audio.channels);
            if (sf_writef_float(file.get(), block, count) != count)
                throw std::runtime_error(std::string("cannot encode Ogg Vorbis: ") + sf_strerror(file.get()));
        }
    }
    fixSerialNumbers(memory.bytes);
    return memory.bytes;
}

void OggWriter::write(const std::filesystem::path& path, const PcmAudio& audio, double quality)
{
    writeFile(path, encode(audio, quality));
}

} // namespace forge

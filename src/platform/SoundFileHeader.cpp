#include "platform/SoundFileHeader.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

namespace platform {

namespace {

constexpr std::size_t oggPageHeader = 27;
constexpr std::size_t oggTailBytes = 65536; // the last page lies within it

std::uint64_t littleEndian(const unsigned char* bytes, int count)
{
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

// Ogg Vorbis from its pages alone: rate and channels from the identification
// header, the length from the last page's granule position. Opening the file
// through libsndfile would build the whole decoder first, which costs more
// than the rest of a song's scan. None when the file is not plain Ogg Vorbis.
std::optional<SoundFileHeader> readOggVorbis(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char first[oggPageHeader + 1 + 16] = {};
    if (!in.read(reinterpret_cast<char*>(first), sizeof first) || std::memcmp(first, "OggS", 4) != 0
        || first[26] != 1 || std::memcmp(first + oggPageHeader + 1, "\x01vorbis", 7) != 0)
        return std::nullopt;
    const unsigned char* identification = first + oggPageHeader + 1;
    SoundFileHeader header;
    header.channels = identification[11];
    header.sampleRate = static_cast<int>(littleEndian(identification + 12, 4));
    const std::uint64_t serial = littleEndian(first + 14, 4);

    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg()));
    const std::size_t tailSize = std::min(size, oggTailBytes);
    std::vector<unsigned char> tail(tailSize);
    in.seekg(static_cast<std::streamoff>(size - tailSize));
    if (!in.read(reinterpret_cast<char*>(tail.data()), static_cast<std::streamsize>(tailSize)))
        return std::nullopt;
    for (std::size_t at = tailSize >= oggPageHeader ? tailSize - oggPageHeader + 1 : 0; at-- > 0;) {
        const unsigned char* page = tail.data() + at;
        if (std::memcmp(page, "OggS", 4) != 0 || littleEndian(page + 14, 4) != serial)
            continue;
        const auto granule = static_cast<std::int64_t>(littleEndian(page + 6, 8));
        if (granule <= 0)
            continue;
        header.frames = granule;
        return header;
    }
    return std::nullopt;
}

// libsndfile calls an empty file one that does not exist ("possibly a
// pipe?"); the player is told what the file is.
std::string openError(const std::filesystem::path& path)
{
    std::error_code statusError;
    if (!std::filesystem::exists(path, statusError))
        return "the file does not exist";
    if (std::filesystem::is_regular_file(path, statusError) && std::filesystem::file_size(path, statusError) == 0)
        return "the file is empty (0 bytes)";
    return sf_strerror(nullptr);
}

} // namespace

std::optional<SoundFileHeader> SoundFileHeader::read(const std::filesystem::path& path, std::string& error)
{
    if (const std::optional<SoundFileHeader> ogg = readOggVorbis(path);
        ogg && ogg->sampleRate > 0 && ogg->channels > 0)
        return ogg;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = openError(path);
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

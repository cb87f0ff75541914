#include "writers/PngWriter.h"

#include "writers/ByteWriter.h"

#include <array>
#include <string>

namespace forge {
namespace {

std::uint32_t crc32(const std::uint8_t* data, std::size_t size)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void bigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void chunk(std::vector<std::uint8_t>& out, const std::string& type, const std::vector<std::uint8_t>& body)
{
    bigEndian32(out, static_cast<std::uint32_t>(body.size()));
    std::vector<std::uint8_t> checked(type.begin(), type.end());
    checked.insert(checked.end(), body.begin(), body.end());
    out.insert(out.end(), checked.begin(), checked.end());
    bigEndian32(out, crc32(checked.data(), checked.size()));
}

// A zlib stream of stored deflate blocks.
std::vector<std::uint8_t> storedZlib(const std::vector<std::uint8_t>& raw)
{
    std::vector<std::uint8_t> out = {0x78, 0x01};
    std::size_t offset = 0;
    do {
        const std::size_t size = std::min<std::size_t>(65535, raw.size() - offset);
        const bool last = offset + size == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(size & 0xFF));
        out.push_back(static_cast<std::uint8_t>(size >> 8));
        out.push_back(static_cast<std::uint8_t>(~size & 0xFF));
        out.push_back(static_cast<std::uint8_t>((~size >> 8) & 0xFF));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                   raw.begin() + static_cast<std::ptrdiff_t>(offset + size));
        offset += size;
    } while (offset < raw.size());
    std::uint32_t a = 1, b = 0;
    for (const auto byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    bigEndian32(out, (b << 16) | a);
    return out;
}

} // namespace

std::vector<std::uint8_t> PngWriter::encode(const RgbaImage& image)
{
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < image.height(); ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width(); ++x) {
            const auto p = image.at(x, y);
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    bigEndian32(header, static_cast<std::uint32_t>(image.width()));
    bigEndian32(header, static_cast<std::uint32_t>(image.height()));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", storedZlib(raw));
    chunk(out, "IEND", {});
    return out;
}

void PngWriter::write(const std::filesystem::path& path, const RgbaImage& image)
{
    writeFile(path, encode(image));
}

} // namespace forge

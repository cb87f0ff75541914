#pragma once

// The forge's files checked by the game's own readers: what they accept is
// what the game loads.

#include "scene/TgaReader.h"
#include "scene/ThreeDsReader.h"
#include "support/TestSupport.h"

#include <optional>

namespace forgetest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes readBytes(const std::filesystem::path& path)
{
    const std::string text = testsupport::readFile(path);
    return Bytes(text.begin(), text.end());
}

inline std::optional<DecodedImage> decodeTga(const Bytes& file)
{
    DecodedImage image;
    std::string error;
    if (!TgaReader::decode(file, "forged.tga", image, error))
        return std::nullopt;
    return image;
}

// A TGA the game accepts whose every byte is needed: cut short, it is refused.
inline bool decodesWithoutTrailingBytes(const Bytes& file)
{
    return decodeTga(file) && !decodeTga(Bytes(file.begin(), file.end() - 1));
}

// Alpha of pixel i (bottom row first), 255 where the image has none.
inline std::uint8_t alpha(const DecodedImage& image, std::size_t i)
{
    return image.components == 4 ? image.pixels[i * 4 + 3] : 255;
}

// A mesh with vertices that the game reads completely (so every face index
// names a read vertex), or nothing.
inline std::optional<MeshData> readThreeDs(const Bytes& file)
{
    MeshData mesh;
    const auto result = ThreeDsReader::read(file, "forged.3ds", mesh, nullptr);
    if (result.status != ThreeDsReader::Status::Complete || mesh.vertexCount == 0)
        return std::nullopt;
    return mesh;
}

} // namespace forgetest

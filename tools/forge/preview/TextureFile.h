#pragma once

#include "writers/RgbaImage.h"

#include <filesystem>
#include <optional>

namespace forge {

// Reads the textures back for previews: TGA types 2 and 10 (24 or 32 bits)
// and 24-bit BMP. Rows come out top first. Anything else gives nothing.
class TextureFile {
public:
    static std::optional<RgbaImage> load(const std::filesystem::path& path);
};

} // namespace forge

#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Pixels ready for upload as an RGBA texture: rows bottom first, four bytes
// (red, green, blue, alpha) a pixel.
struct RgbaPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Decodes PNG, JPEG and BMP images (song banners) with SDL2_image. Other
// formats, damaged files and images larger than maxSide on a side are
// refused with a reason, before anything of their size is allocated.
class ImageDecoder {
public:
    static constexpr int maxSide = 4096;
    static constexpr std::uintmax_t maxFileBytes = 16u << 20;

    static bool decode(std::span<const std::uint8_t> bytes, RgbaPixels& image, std::string& error);
    static bool decodeFile(const std::filesystem::path& path, RgbaPixels& image, std::string& error);
    // A worker thread that decoded images calls this before it ends: the
    // image library keeps per-thread state (its last error) that outlives
    // threads it did not create.
    static void endThread();
};

} // namespace platform

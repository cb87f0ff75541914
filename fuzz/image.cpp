// Feeds arbitrary bytes to the banner image decoder (PNG, JPEG, BMP through SDL2_image).

#include "FuzzCheck.h"

#include "platform/ImageDecoder.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    platform::RgbaPixels image;
    std::string error;
    if (!platform::ImageDecoder::decode({data, size}, image, error)) {
        fuzzCheck(!error.empty() && image.pixels.empty(), "a refused image has a message and no pixels");
        return 0;
    }
    fuzzCheck(image.width > 0 && image.height > 0, "a decoded image has a size");
    fuzzCheck(image.width <= platform::ImageDecoder::maxSide && image.height <= platform::ImageDecoder::maxSide,
        "a decoded image stays within the size limit");
    fuzzCheck(image.pixels.size() == std::size_t(image.width) * std::size_t(image.height) * 4,
        "the pixel buffer holds the whole image");
    return 0;
}

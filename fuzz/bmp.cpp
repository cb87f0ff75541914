// Feeds arbitrary bytes to the BMP reader the texture loader uses.

#include "FuzzCheck.h"

#include "scene/BmpReader.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DecodedImage image;
    std::string error;
    if (!BmpReader::decode({data, size}, "Data/Textures/fuzz.bmp", image, error)) {
        fuzzCheck(!error.empty() && image.pixels.empty(), "a refused file has a message and no pixels");
        return 0;
    }
    // The upload reads width x height x components bytes.
    fuzzCheck(image.width > 0 && image.height > 0, "a decoded image has a size");
    fuzzCheck(image.components == 4, "BMP pixels are uploaded as RGBA");
    fuzzCheck(image.pixels.size() == std::size_t(image.width) * std::size_t(image.height) * 4,
              "the pixel buffer holds the whole image");
    return 0;
}

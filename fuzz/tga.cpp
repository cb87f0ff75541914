// Feeds arbitrary bytes to the TGA reader the texture loader uses.

#include "FuzzCheck.h"

#include "scene/TgaReader.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DecodedImage image;
    std::string error;
    if (!TgaReader::decode({data, size}, "Data/Textures/fuzz.tga", image, error)) {
        fuzzCheck(!error.empty(), "a refused file has a message");
        return 0;
    }
    // The upload reads width x height x components bytes.
    fuzzCheck(image.width > 0 && image.height > 0, "a decoded image has a size");
    fuzzCheck(image.components == 3 || image.components == 4, "three or four components");
    fuzzCheck(image.pixels.size() == std::size_t(image.width) * std::size_t(image.height) * std::size_t(image.components),
              "the pixel buffer holds the whole image");
    return 0;
}

#pragma once

#include "support/TestSupport.h"
#include "writers/BmpWriter.h"
#include "writers/TgaWriter.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace fxtest {

struct Colour {
    std::uint8_t r, g, b;
};

// Every frame of the test sequences has its own colour.
inline Colour frameColour(int frame)
{
    return {static_cast<std::uint8_t>(250 - frame * 8), static_cast<std::uint8_t>(frame * 8), 60};
}

inline std::string solidImage(Colour colour, bool bmp)
{
    forge::RgbaImage image(8, 8);
    for (int i = 0; i < 64; ++i)
        image.set(i % 8, i / 8, {colour.r, colour.g, colour.b, 255});
    const auto bytes = bmp ? forge::BmpWriter::encode(image)
                           : forge::TgaWriter::encode(image, forge::TgaWriter::Kind::Uncompressed, 32);
    return {bytes.begin(), bytes.end()};
}

// "<prefix>0000.tga" to "<prefix>0029.tga", solid frameColour each, without frame `skip`.
inline void writeFrames(const testsupport::ScratchDir& dir, const std::string& prefix, int skip = -1)
{
    for (int frame = 0; frame < 30; ++frame) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%04d.tga", frame);
        if (frame != skip)
            dir.write(prefix + suffix, solidImage(frameColour(frame), false));
    }
}

} // namespace fxtest

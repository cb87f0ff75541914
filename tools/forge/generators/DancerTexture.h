#pragma once

#include <cstdint>
#include <vector>

namespace forge {

// The dancer's texture atlas: one painted region per kind of surface (shirt,
// bell-bottoms, skin, face, afro, shoes, belt). Texture coordinates are
// fractions of the image with t running down from the top row, as MS3D
// files keep them.
class DancerTexture {
public:
    struct Region {
        float s0, t0, s1, t1;
        float s(float across) const { return s0 + (s1 - s0) * across; }
        float t(float down) const { return t0 + (t1 - t0) * down; }
    };

    static constexpr int size = 256;

    static Region shirt();
    static Region pants();
    static Region skin();
    static Region shoes();
    static Region hair();
    static Region face();
    static Region belt();

    // Red, green, blue per pixel, top row first.
    static std::vector<std::uint8_t> paint();
    // An uncompressed 24-bit true-colour TGA (type 2) with the rows stored bottom first.
    static std::vector<std::uint8_t> encodeTga(const std::vector<std::uint8_t>& rgb, int width, int height);
};

} // namespace forge

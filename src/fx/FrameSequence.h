#pragma once

#include <array>
#include <cstdint>

// The 30 TGA frames of an animation played at 30 frames per second, and the
// blended drawing state that sprites and trails share.
class FrameSequence {
public:
    static constexpr int frameCount = 30;
    static constexpr int lastFrame = frameCount - 1;
    using Textures = std::array<std::uint32_t, frameCount>;

    // Texture names of "<prefix>0000.tga" to "<prefix>0029.tga" from the mesh
    // manager's cache; 0 for a frame that has no texture.
    static Textures load(const char* prefix);
    // The frame reached after this many milliseconds, not wrapped or held.
    static std::uint32_t frameAfter(std::uint32_t elapsedMs);

    // Unlit, alpha-blended, alpha-tested, white, modulated textures.
    static void beginDrawing();
    // Lighting and the depth test back on; blending and alpha test stay.
    static void endDrawing();
};

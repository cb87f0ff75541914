#pragma once

#include "fx/FrameSequence.h"
#include "scene/ObjectNode.h"

#include <cstdint>

// A textured square centred on (x, y) that steps through 30 frames in one
// second, either in a loop (the disco lights) or once, after which it hides
// itself for its side (a missile's impact).
class AnimatedSprite : public ObjectNode {
public:
    // Frames are "<prefix>%04d.tga", 0 to 29, taken from the mesh manager now;
    // the first frame starts at the current tick count.
    AnimatedSprite(const char* name, std::int8_t side, const char* prefix, int size, bool loop);

    bool update() override;
    bool draw() override;

    std::int32_t getFrame() const { return frame; }
    std::uint32_t getStartTick() const { return startTick; }
    float getHalfSize() const { return halfSize; }
    bool isLooping() const { return loop; }
    const FrameSequence::Textures& getFrameTextures() const { return frameTextures; }

private:
    FrameSequence::Textures frameTextures;
    std::int32_t frame = 0;
    float halfSize;
    std::uint32_t startTick;
    bool loop;
};

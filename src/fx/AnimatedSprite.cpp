#include "fx/AnimatedSprite.h"

#include "fx/TexturedSquare.h"
#include "platform/SystemClock.h"

#include <GL/gl.h>

AnimatedSprite::AnimatedSprite(const char* name, std::int8_t side, const char* prefix, int size, bool loop)
    : ObjectNode(name, side)
    , frameTextures(FrameSequence::load(prefix))
    , halfSize(static_cast<float>(size))
    , startTick(platform::SystemClock::tickCount())
    , loop(loop)
{
}

bool AnimatedSprite::update()
{
    const std::uint32_t now = platform::SystemClock::tickCount();
    const std::uint32_t reached = FrameSequence::frameAfter(now - startTick);
    if (reached <= FrameSequence::lastFrame) {
        frame = static_cast<std::int32_t>(reached);
    } else if (loop) {
        frame = 0;
        startTick = now;
    } else {
        // Played once: gone from its side, last frame kept for drawing.
        hideForPlayer(side);
        frame = FrameSequence::lastFrame;
    }
    ObjectNode::update();
    return true;
}

bool AnimatedSprite::draw()
{
    FrameSequence::beginDrawing();
    applySideTransform();
    glTranslatef(x, y, 0.0f);
    glBindTexture(GL_TEXTURE_2D, frameTextures[frame]);
    TexturedSquare::draw(halfSize);
    FrameSequence::endDrawing();
    ObjectNode::draw();
    return true;
}

#include "fx/ExplosionEmitter.h"

#include "core/FrameClock.h"
#include "fx/TexturedSquare.h"
#include "platform/SystemClock.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>

namespace {

// One of -1.0, -0.9, ..., 0.9 from the process's shared generator.
float sidewaysSpread()
{
    return static_cast<float>(std::rand() % 20 - 10) / 10.0f;
}

} // namespace

ExplosionEmitter::ExplosionEmitter(const char* name, std::int8_t side)
    : ObjectNode(name, side)
    , frameTextures(FrameSequence::load(framePrefix))
{
    particles.reserve(maxParticles);
}

bool ExplosionEmitter::update()
{
    if (emitting && particles.size() < maxParticles)
        release();
    const float seconds = static_cast<float>(FrameClock::frameDelta()) / 1000.0f;
    for (ExplosionParticle& particle : particles)
        particle.position += particle.velocity * seconds;
    ObjectNode::update();
    return true;
}

void ExplosionEmitter::release()
{
    ExplosionParticle particle;
    particle.birthTick = platform::SystemClock::tickCount();
    particle.position = {x, y, z};
    // The depth spread is drawn before the sideways one.
    const float depth = sidewaysSpread();
    const float across = sidewaysSpread();
    particle.velocity = {across, -1.0f, depth};
    particles.push_back(particle);
}

std::int32_t ExplosionEmitter::frameOf(const ExplosionParticle& particle, std::uint32_t now)
{
    const std::uint32_t reached = FrameSequence::frameAfter(now - particle.birthTick);
    return static_cast<std::int32_t>(std::min<std::uint32_t>(reached, FrameSequence::lastFrame));
}

bool ExplosionEmitter::draw()
{
    FrameSequence::beginDrawing();
    const std::uint32_t now = platform::SystemClock::tickCount();
    for (const ExplosionParticle& particle : particles) {
        applySideTransform();
        glTranslatef(particle.position.x, particle.position.y, particle.position.z);
        glBindTexture(GL_TEXTURE_2D, frameTextures[frameOf(particle, now)]);
        TexturedSquare::draw(particle.halfSize);
    }
    FrameSequence::endDrawing();
    ObjectNode::draw();
    return true;
}

#pragma once

#include "fx/ExplosionParticle.h"
#include "fx/FrameSequence.h"
#include "scene/ObjectNode.h"

#include <cstdint>
#include <vector>

// A trail: each frame it releases one small explosion at its own position
// (x, y, z), up to 100; each drifts down with a random sideways spread and
// plays the explosion once from its birth, then keeps its last frame.
class ExplosionEmitter : public ObjectNode {
public:
    static constexpr std::uint32_t maxParticles = 100;
    static constexpr const char* framePrefix = "Data/Textures/ParticleSystem/Explosion3/ex";

    ExplosionEmitter(const char* name, std::int8_t side);

    bool update() override;
    bool draw() override;

    // No further smoke; what is in the air drifts and fades as before.
    void stopEmitting() { emitting = false; }
    bool isEmitting() const { return emitting; }

    const std::vector<ExplosionParticle>& getParticles() const { return particles; }
    const FrameSequence::Textures& getFrameTextures() const { return frameTextures; }
    // The frame a particle shows at this tick count: held at the last from 30 on.
    static std::int32_t frameOf(const ExplosionParticle& particle, std::uint32_t now);

private:
    void release();

    FrameSequence::Textures frameTextures;
    // Reserved in full up front: the trail never allocates while it runs.
    std::vector<ExplosionParticle> particles;
    bool emitting = true;
};

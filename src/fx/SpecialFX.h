#pragma once

#include "fx/SpecialFXParticle.h"
#include "fx/Vector3.h"
#include "scene/ObjectNode.h"

#include <cstdint>
#include <vector>

// The swarm of glowing particles swirling in the screen centre behind the
// game. One particle joins per frame up to "MaxParticels" of the "SpecialFX"
// configuration section; every particle is steered towards two points and
// drawn additively in a colour that flickers at random.
class SpecialFX : public ObjectNode {
public:
    static constexpr const char* texturePath = "Data/Textures/ParticleSystem/part1.bmp";
    // The largest swarm accepted from the configuration; the pool of this
    // many particles is reserved up front, so the cap bounds memory too
    // (under 3 MiB), and it leaves room to measure swarms far beyond play.
    static constexpr std::uint32_t particleLimit = 100000;

    explicit SpecialFX(const char* name);

    bool update() override;
    bool draw() override;

    // The configured count made safe: negative gives 0, above the limit gives the limit.
    static std::uint32_t clampParticleCount(int configured);

    const std::vector<SpecialFXParticle>& getParticles() const { return particles; }
    std::uint32_t getMaxParticles() const { return maxParticles; }
    std::uint32_t getTexture() const { return texture; }
    Vector3 getColor() const { return {red, green, blue}; }
    void setColor(float newRed, float newGreen, float newBlue);

private:
    static std::uint32_t lookUpTexture();
    static std::uint32_t readMaxParticles();
    void release();
    void steer(SpecialFXParticle& particle, float seconds) const;
    void flicker();
    void beginDrawing() const;
    static void endDrawing();

    std::uint32_t texture;
    float red = 0.5f;
    float green = 0.0f;
    float blue = 0.0f;
    const Vector3 attractor{-0.5f, -0.5f, 0.5f};
    const Vector3 steeringCentre{0.5f, 0.5f, 0.5f};
    // Reserved in full up front: a full swarm never allocates.
    std::vector<SpecialFXParticle> particles;
    std::uint32_t maxParticles;
};

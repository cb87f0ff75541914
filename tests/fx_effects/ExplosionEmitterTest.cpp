#include "EffectsFixture.h"

#include "fx/ExplosionEmitter.h"

#include <cmath>
#include <cstdlib>

using EmitterTest = EffectsFixture;

TEST_F(EmitterTest, ReleasesOneParticlePerFrameUpToOneHundredWithRandomSpread)
{
    std::srand(1234);
    const int first = std::rand(), second = std::rand();
    std::srand(1234);
    ExplosionEmitter emitter("MisslePart", ObjectNode::SidePlayer1);
    const ExplosionParticle* pool = nullptr;
    for (int i = 1; i <= 150; ++i) {
        emitter.x = static_cast<float>(i);
        frame(emitter, 0);
        ASSERT_EQ(emitter.getParticles().size(), std::min(i, 100));
        pool = pool ? pool : emitter.getParticles().data();
    }
    EXPECT_EQ(emitter.getParticles().data(), pool); // never reallocated
    const auto& particles = emitter.getParticles();
    // Depth spread is drawn before the sideways one.
    EXPECT_EQ(particles[0].velocity.z, static_cast<float>(first % 20 - 10) / 10.0f);
    EXPECT_EQ(particles[0].velocity.x, static_cast<float>(second % 20 - 10) / 10.0f);
    EXPECT_EQ(particles[99].position.x, 100.0f);
    EXPECT_EQ(particles[99].birthTick, start);
    for (const ExplosionParticle& particle : particles) {
        for (const float spread : {particle.velocity.x, particle.velocity.z}) {
            EXPECT_NEAR(spread * 10.0f, std::round(spread * 10.0f), 1e-4f);
            EXPECT_TRUE(spread >= -1.0f && spread < 0.95f) << spread;
        }
        EXPECT_EQ(particle.velocity.y, -1.0f);
        EXPECT_EQ(particle.halfSize, 0.5f);
    }
}

TEST_F(EmitterTest, ParticlesDriftByTheLastFrameTime)
{
    ExplosionEmitter emitter("MisslePart", ObjectNode::SidePlayer1);
    frame(emitter, 250); // born, then moved by a quarter second
    const ExplosionParticle& particle = emitter.getParticles()[0];
    EXPECT_FLOAT_EQ(particle.position.y, -0.25f);
    EXPECT_FLOAT_EQ(particle.position.x, particle.velocity.x * 0.25f);
    frame(emitter, 0);
    frame(emitter, 1000);
    EXPECT_FLOAT_EQ(particle.position.y, -1.25f);
}

TEST_F(EmitterTest, ParticlePlaysOnceThenHoldsItsLastFrame)
{
    ExplosionParticle particle;
    particle.birthTick = start;
    for (const auto& [elapsed, expected] : {std::pair{33u, 0}, {500u, 15}, {999u, 29}, {1000u, 29}, {3600000u, 29}})
        EXPECT_EQ(ExplosionEmitter::frameOf(particle, start + elapsed), expected) << elapsed;
    particle.birthTick = 0xFFFFFFF0u;
    EXPECT_EQ(ExplosionEmitter::frameOf(particle, 0x30u), 1); // 64 ms across the wrap
}

// The effects frame by frame: sprites, explosion trails and the swarm.
#include "EffectsFixture.h"

#include "fx/AnimatedSprite.h"
#include "fx/ExplosionEmitter.h"
#include "fx/SpecialFX.h"

#include <cstdlib>

using SpriteTest = EffectsFixture;
using EmitterTest = EffectsFixture;
using SwarmTest = EffectsFixture;

TEST_F(SpriteTest, LoopingSpriteStepsThirtyFramesPerSecondAndRestartsFromThatTick)
{
    AnimatedSprite sprite("Disco1", ObjectNode::SideCentre, "disco", 1, true);
    // A long stall restarts at once; counting survives the tick counter's wrap.
    const std::uint32_t wrap = 0xFFFFFF00u;
    const std::tuple<std::uint32_t, int, std::uint32_t> steps[] = {{start + 33, 0, start}, {start + 34, 1, start},
        {start + 500, 15, start}, {start + 999, 29, start}, {start + 1000, 0, start + 1000}, {wrap, 0, wrap},
        {wrap + 500u, 15, wrap}};
    for (const auto& [now, frame, startTick] : steps) {
        clock.set(now);
        sprite.update();
        EXPECT_EQ(sprite.getFrame(), frame) << now;
        EXPECT_EQ(sprite.getStartTick(), startTick) << now;
        EXPECT_TRUE(sprite.isActive());
    }
}

TEST_F(SpriteTest, OneShotSpriteHidesForItsSideAndKeepsTheLastFrame)
{
    AnimatedSprite hit("Disco1", ObjectNode::SidePlayer2, "ex", 4, false);
    AnimatedSprite centre("Disco1", ObjectNode::SideCentre, "ex", 4, false);
    clock.set(start + 999);
    hit.update();
    EXPECT_TRUE(hit.isActive());
    clock.set(start + 1000);
    hit.update();
    centre.update();
    EXPECT_EQ(std::pair(hit.isActive(), hit.getFrame()), std::pair(false, 29));
    // No player's half to take away from a centre sprite: it stays on frame 29.
    EXPECT_EQ(std::pair(centre.isActive(), centre.getFrame()), std::pair(true, 29));
}

TEST_F(EmitterTest, ReleasesOneParticlePerFrameUpToOneHundredWithRandomSpread)
{
    std::srand(1234);
    const int first = std::rand(), second = std::rand();
    std::srand(1234);
    ExplosionEmitter emitter("MisslePart", ObjectNode::SidePlayer1);
    for (int i = 1; i <= 150; ++i) {
        emitter.x = static_cast<float>(i);
        frame(emitter, 0);
        ASSERT_EQ(emitter.getParticles().size(), std::min(i, 100));
    }
    const auto& particles = emitter.getParticles();
    // Depth spread is drawn before the sideways one.
    EXPECT_EQ(particles[0].velocity.z, static_cast<float>(first % 20 - 10) / 10.0f);
    EXPECT_EQ(particles[0].velocity.x, static_cast<float>(second % 20 - 10) / 10.0f);
    EXPECT_EQ(particles[99].position.x, 100.0f);
    EXPECT_EQ(particles[99].birthTick, start);
    EXPECT_EQ(std::pair(particles[0].velocity.y, particles[0].halfSize), std::pair(-1.0f, 0.5f));
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

TEST_F(SwarmTest, OddParticleCountsAreMadeSafeAndReported)
{
    const std::pair<const char*, std::uint32_t> cases[] = {{"Other = 3", 0}, {"MaxParticels = abc", 0},
        {"MaxParticels = -1", 0}, {"MaxParticels = 12xyz", 12}, {"MaxParticels = 100000", 100000},
        {"MaxParticels = 100001", SpecialFX::particleLimit}, {"MaxParticels = 999999999999", SpecialFX::particleLimit}};
    for (const auto& [line, expected] : cases) {
        configure(std::string(line) + "\n");
        SpecialFX swarm("TestPart");
        frame(swarm, 16);
        EXPECT_EQ(swarm.getMaxParticles(), expected) << line;
        EXPECT_EQ(swarm.getParticles().size(), std::min(expected, 1u)) << line;
        ObjectRegistry::destroy();
        frameClock = std::make_unique<testsupport::StandInMainLoop>();
    }
    EXPECT_NE(testsupport::readFile("output.log").find("WARNING: MaxParticels 2147483647 is out of range, using 100000"),
              std::string::npos);
    EXPECT_EQ(SpecialFX("TestPart").getMaxParticles(), 0u); // no configuration at all
}

TEST_F(SwarmTest, ReleasesInTheOrderZYXAndPullsOncePerFrameWhateverItsLength)
{
    configure("MaxParticels = 1\n");
    std::srand(99);
    const int first = std::rand(), second = std::rand(), third = std::rand();
    std::srand(99);
    SpecialFX swarm("TestPart");
    frame(swarm, 0);
    const SpecialFXParticle& particle = swarm.getParticles().at(0);
    const Vector3 released{static_cast<float>(third % 10) / 10.0f, static_cast<float>(second % 10) / 10.0f,
                           static_cast<float>(first % 10) / 10.0f};
    EXPECT_EQ(particle.position, released); // a 0 ms frame steers but does not move
    EXPECT_EQ(particle.halfSize, 0.2f);

    const Vector3 attractor{-0.5f, -0.5f, 0.5f}, centre{0.5f, 0.5f, 0.5f};
    Vector3 velocity{1.0f, 0.0f, 0.0f};
    velocity += (released - attractor).unit() * -0.05f;
    velocity += centre.unit() * 0.02f;
    EXPECT_NEAR((particle.velocity - velocity).length(), 0.0f, 1e-6f);

    velocity += (released - attractor).unit() * -0.05f;
    velocity += (centre + velocity * 0.5f).unit() * 0.02f;
    frame(swarm, 500);
    EXPECT_NEAR((particle.position - (released + velocity * 0.5f)).length(), 0.0f, 1e-6f);
}

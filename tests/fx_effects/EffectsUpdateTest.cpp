// The effects frame by frame: sprites, explosion trails and the swarm.
#include "core/ConfigFileParser.h"
#include "core/Object.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "fx/AnimatedSprite.h"
#include "fx/ExplosionEmitter.h"
#include "fx/SpecialFX.h"
#include "platform/SimulatedClock.h"
#include "support/StandInMainLoop.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

// Simulated time starting at `start`, a scratch working folder and a frame
// clock. The registry teardown spares "MainLoop", so the stub goes last.
class EffectsFixture : public ::testing::Test {
protected:
    static constexpr std::uint32_t start = 50000;

    void TearDown() override
    {
        if (ObjectRegistry::exists())
            ObjectRegistry::destroy();
        frameClock.reset();
    }

    // A configuration of these "[SpecialFX]" lines, read by the game's reader.
    void configure(const std::string& lines)
    {
        scratch.write("Conf/global.cfg", "[SpecialFX]\n" + lines);
        OutputHandler::instance()->open();
        (new ConfigFileParser())->parse("Conf/global.cfg");
    }

    // Advances the clock and runs one update of the node, as one frame does.
    template <typename Node>
    void frame(Node& node, std::uint32_t ms)
    {
        clock.advance(ms);
        frameClock->delta = ms;
        node.update();
    }

    platform::SimulatedClock clock{start};
    testsupport::ScratchDir scratch;
    std::unique_ptr<testsupport::StandInMainLoop> frameClock = std::make_unique<testsupport::StandInMainLoop>();
};

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

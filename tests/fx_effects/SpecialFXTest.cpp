#include "EffectsFixture.h"

#include "core/ConfigFileParser.h"
#include "core/OutputHandler.h"
#include "fx/SpecialFX.h"

#include <cstdlib>

class SwarmTest : public EffectsFixture {
protected:
    void configure(const std::string& lines)
    {
        scratch.write("Conf/global.cfg", "[SpecialFX]\n" + lines);
        OutputHandler::instance()->open();
        (new ConfigFileParser())->parse("Conf/global.cfg");
    }
};

TEST_F(SwarmTest, GrowsByOneParticlePerFrameUpToTheConfiguredCount)
{
    configure("MaxParticels = 50\n");
    SpecialFX swarm("TestPart");
    const SpecialFXParticle* pool = nullptr;
    for (int i = 1; i <= 80; ++i) {
        frame(swarm, 16);
        ASSERT_EQ(swarm.getParticles().size(), std::min(i, 50));
        pool = pool ? pool : swarm.getParticles().data();
    }
    EXPECT_EQ(swarm.getParticles().data(), pool); // reserved up front, never reallocated
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
        frameClock = std::make_unique<StubFrameClock>();
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

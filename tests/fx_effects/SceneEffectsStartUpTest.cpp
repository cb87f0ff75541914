#include "EffectsFixture.h"

#include "app/Application.h"
#include "app/MainLoop.h"
#include "app/WindowRecord.h"
#include "flow/Match.h"
#include "platform/SimulatedClock.h"
#include "platform/SystemClock.h"
#include "scene/ObjectGraph.h"
#include "scene/ObjectNode.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int width = 160;
constexpr int height = 120;

// Where a point of the screen-fixed centre frame (9 units back) lands with
// the game's 45 degree projection.
std::pair<int, int> pixelOf(float x, float y)
{
    const double halfHeight = 9.0 * std::tan(22.5 * 3.14159265358979 / 180.0);
    const double halfWidth = halfHeight * width / height;
    return {static_cast<int>((x / halfWidth + 1.0) / 2.0 * width), static_cast<int>((y / halfHeight + 1.0) / 2.0 * height)};
}

} // namespace

// The main loop's start-up with generated frames in a scratch folder and a
// hidden 160x120 window, then one game frame read back from the buffer.
class SceneEffectsStartUpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch.write("Conf/global.cfg", "[Window]\nWidth = 160\nHeight = 120\n[SpecialFX]\nMaxParticels = 0\n"
                                             + testsupport::playerSections());
        fxtest::writeFrames(scratch, "Data/Textures/ParticleSystem/disco/disco");
        fxtest::writeFrames(scratch, "Data/Textures/ParticleSystem/Explosion3/ex");
        ASSERT_TRUE(platform::Window::startVideo());
        record.keyStates = keys.data();
        record.window = platform::Window::create({"Flarevox Effects", width, height, 32, false, true});
        ASSERT_NE(record.window, nullptr);
        loop = new MainLoop();
        ASSERT_TRUE(loop->initialize(&record, keys.data()));
        Application::resizeViewport(width, height);
    }

    void TearDown() override
    {
        delete loop;
        record.window.reset();
        platform::Window::stopVideo();
    }

    platform::SimulatedClock clock{20000};
    testsupport::ScratchDir scratch;
    KeyStates keys{};
    WindowRecord record;
    MainLoop* loop = nullptr;
};

TEST_F(SceneEffectsStartUpTest, LightsAreLinkedInOrderFramesCachedAndDrawnInTheUpperCorners)
{
    ObjectGraph* graph = ObjectGraph::find();
    std::vector<std::string> paths;
    for (const ObjectNode* child : graph->findNode("")->getChildren())
        paths.push_back(child->getPath());
    const auto swarm = std::find(paths.begin(), paths.end(), "TestPart");
    ASSERT_GE(paths.end() - swarm, 3);
    EXPECT_EQ(std::vector<std::string>(swarm, swarm + 3), (std::vector<std::string>{"TestPart", "Disco2", "Disco1"}));

    // A captured frame shows both lights textured in the upper corners. Only
    // the lights are drawn, so the sidebars and the rest of the scene cannot
    // cover the pixels measured here.
    // (The song here has no music: its end, with the results, comes at once.)
    loop->getMatch().onPlayerAction(1, 5, platform::SystemClock::tickCount(), true);
    clock.advance(1500); // past the disco sequence's end: looping lights start again at frame 0
    loop->update();
    for (ObjectNode* node : graph->findNode("")->getChildren())
        node->setActive(node->getPath() == "Disco1" || node->getPath() == "Disco2");
    loop->draw();

    std::vector<unsigned char> pixels(width * height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    const auto near = [&](float x, float y, fxtest::Colour colour) {
        const auto [column, row] = pixelOf(x, y);
        const unsigned char* rgb = &pixels[(row * width + column) * 3];
        return std::abs(rgb[0] - colour.r) + std::abs(rgb[1] - colour.g) + std::abs(rgb[2] - colour.b) < 10;
    };
    // Each light a square of half-size 1 around (+-4.5, 3.2); the background dark around and between them.
    for (const float x : {4.5f, -4.5f}) {
        EXPECT_TRUE(near(x, 3.2f, fxtest::frameColour(0))) << x;
        EXPECT_TRUE(near(x, 1.6f, {0, 0, 0})) << x;
    }
    EXPECT_TRUE(near(0.0f, 1.0f, {0, 0, 0}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

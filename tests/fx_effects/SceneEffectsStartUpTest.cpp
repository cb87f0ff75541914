#include "FrameFiles.h"

#include "app/Application.h"
#include "app/MainLoop.h"
#include "app/WindowRecord.h"
#include "core/ObjectRegistry.h"
#include "fx/AnimatedSprite.h"
#include "fx/SpecialFX.h"
#include "platform/SimulatedClock.h"
#include "scene/MeshManager.h"
#include "scene/ObjectGraph.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int width = 160;
constexpr int height = 120;

std::vector<std::string> childPaths(ObjectNode& root)
{
    std::vector<std::string> paths;
    for (const ObjectNode* child : root.getChildren())
        paths.push_back(child->getPath());
    return paths;
}

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
        scratch.write(SpecialFX::texturePath, fxtest::solidImage({128, 128, 128}, true));
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
    const auto paths = childPaths(*graph->findNode(""));
    const auto swarm = std::find(paths.begin(), paths.end(), "TestPart");
    ASSERT_NE(swarm, paths.end());
    ASSERT_GE(paths.end() - swarm, 3);
    EXPECT_EQ(swarm[1], "Disco2");
    EXPECT_EQ(swarm[2], "Disco1");

    const auto* right = dynamic_cast<AnimatedSprite*>(graph->findNode("Disco2"));
    const auto* left = dynamic_cast<AnimatedSprite*>(graph->findNode("Disco1"));
    ASSERT_TRUE(right && left);
    EXPECT_EQ(std::pair(right->x, right->y), std::pair(4.5f, 3.2f));
    EXPECT_EQ(std::pair(left->x, left->y), std::pair(-4.5f, 3.2f));
    EXPECT_TRUE(left->isLooping() && left->side == ObjectNode::SideCentre && left->getHalfSize() == 1.0f);

    // The swarm's texture, the disco frames once, then the 30 explosion
    // frames; the arrows' textures come before them.
    std::vector<const Texture*> textures;
    for (const auto& texture : ObjectRegistry::instance()->findAs<MeshManager>("MeshManager")->getTextures())
        if (texture->path.starts_with("Data/Textures/ParticleSystem/"))
            textures.push_back(texture.get());
    ASSERT_EQ(textures.size(), 61u);
    EXPECT_EQ(textures[0]->path, SpecialFX::texturePath);
    EXPECT_EQ(textures[30]->path, "Data/Textures/ParticleSystem/disco/disco0029.tga");
    EXPECT_EQ(textures[31]->path, "Data/Textures/ParticleSystem/Explosion3/ex0000.tga");
    EXPECT_EQ(textures[60]->path, "Data/Textures/ParticleSystem/Explosion3/ex0029.tga");
    for (const auto& texture : textures)
        EXPECT_NE(texture->glName, 0u) << texture->path;
    EXPECT_EQ(dynamic_cast<SpecialFX*>(graph->findNode("TestPart"))->getTexture(), textures[0]->glName);

    // A captured frame shows both lights textured in the upper corners. Only
    // the lights are drawn, so the sidebars and the rest of the scene cannot
    // cover the pixels measured here.
    // (The song here has no music: its end, with the results, comes at once.)
    loop->setStarted(1);
    clock.advance(500); // frame 15 of the disco sequence
    loop->update();
    for (ObjectNode* node : graph->findNode("")->getChildren())
        node->setActive(node->getPath() == "Disco1" || node->getPath() == "Disco2");
    loop->draw();

    std::vector<unsigned char> pixels(width * height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    const auto at = [&](std::pair<int, int> p) {
        const unsigned char* rgb = &pixels[(p.second * width + p.first) * 3];
        return fxtest::Colour{rgb[0], rgb[1], rgb[2]};
    };

    const fxtest::Colour expected = fxtest::frameColour(15);
    for (const float x : {4.5f, -4.5f}) {
        SCOPED_TRACE(x);
        const fxtest::Colour seen = at(pixelOf(x, 3.2f));
        EXPECT_NEAR(seen.r, expected.r, 3);
        EXPECT_NEAR(seen.g, expected.g, 3);
        EXPECT_NEAR(seen.b, expected.b, 3);
        // Outside its square the light leaves the background dark.
        const fxtest::Colour below = at(pixelOf(x, 1.6f));
        EXPECT_LT(below.r + below.g + below.b, 30);
    }
    const fxtest::Colour middle = at(pixelOf(0.0f, 1.0f));
    EXPECT_LT(middle.r + middle.g + middle.b, 30);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

#include "ShellFixture.h"

#include "app/MainLoop.h"
#include "core/OutputHandler.h"
#include "input/InputHandler.h"
#include "platform/SimulatedClock.h"
#include "scene/ObjectGraph.h"
#include "scene/ObjectNode.h"
#include "support/DrawProbe.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>

using Type = platform::Window::Message::Type;

class MainLoopTest : public ShellFixture {
protected:
    // One frame with these keys held down.
    void frameWith(MainLoop& loop, std::initializer_list<int> held)
    {
        keys.fill(0);
        for (const int code : held)
            keys[code] = 1;
        loop.update();
    }
};

TEST_F(MainLoopTest, StartUpLogRunsFromBannerToDone)
{
    MainLoop* loop = start();
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_TRUE(lines[0].starts_with("Flarevox LogFile 'output.log': "));
    EXPECT_EQ(lines[1], " ");
    EXPECT_EQ(lines[2], "INITIALIZING... ");
    EXPECT_EQ(lines.back(), "INITIALIZING DONE... ");
    // The steps present keep their order.
    auto at = lines.begin();
    for (const char* expected :
         {"Parsing the config file 'Conf/global.cfg'... ", "Initializing ArrowManager ... ",
          "File:Data\\Dwi\\Coconut.DWI has been opened ", "...ObjectNode: adding Winnertext ",
          "...ObjectNode: adding Text ", "...ObjectNode: adding Text ", "...ObjectNode: adding Arrow "}) {
        at = std::find(at, lines.end(), expected);
        ASSERT_NE(at, lines.end()) << expected;
        ++at;
    }
    // The frame-rate text and the story text both hang under the root.
    const auto& nodes = ObjectGraph::find()->findNode("")->getChildren();
    EXPECT_EQ(std::count_if(nodes.begin(), nodes.end(), [](const ObjectNode* node) { return node->getPath() == "Text"; }),
              2);
    for (const char* path : {"Goal0", "Goal1", "Goal2", "Goal3", "P1Quality", "P2Quality", "Winnertext", "Arrow",
                             "TestPart", "Disco1", "Disco2", "Dancer", "sidebar_p1", "sb_P1Points", "sidebar_p2",
                             "sb_P2Points", "SGMissle_0_0", "SGMissle_1_3"})
        EXPECT_NE(ObjectGraph::find()->findNode(path), nullptr) << path;
    delete loop;
}

TEST_F(MainLoopTest, TeardownEndsEveryManagerButLeavesTheLoopAlive)
{
    MainLoop* loop = start();
    EXPECT_EQ(ObjectRegistry::instance()->find("MainLoop"), loop);
    delete loop;
    EXPECT_FALSE(ObjectRegistry::exists());
    EXPECT_EQ(OutputHandler::find(), nullptr);
}

TEST_F(MainLoopTest, FrameClockCountsFramesPerWholeSecond)
{
    platform::SimulatedClock clock(5000);
    MainLoop* loop = start();

    clock.advance(16);
    loop->update();
    EXPECT_EQ(loop->getFps(), 1u);
    EXPECT_EQ(loop->getFrameDelta(), 16u);

    for (int frame = 0; frame < 10; ++frame) {
        clock.advance(20);
        loop->update();
    }
    EXPECT_EQ(loop->getFps(), 1u) << "the second has not turned yet";
    EXPECT_EQ(loop->getFrameDelta(), 20u);

    clock.set(6000);
    loop->update();
    EXPECT_EQ(loop->getFps(), 11u);

    // A minimised window makes no frames, but the clock runs on.
    clock.advance(4321);
    loop->update();
    EXPECT_EQ(loop->getFrameDelta(), 4321u);
    EXPECT_EQ(FrameClock::frameDelta(), 4321u);

    // Across the tick counter's wrap the delta stays true, and the frames
    // go on being counted: the second that began before the wrap ends after it.
    clock.set(0xFFFFFFF0u);
    loop->update();
    EXPECT_EQ(loop->getFps(), 1u);
    clock.advance(0x20);
    loop->update();
    EXPECT_EQ(loop->getFrameDelta(), 0x20u);
    for (int frame = 0; frame < 2; ++frame) {
        clock.advance(400);
        loop->update();
    }
    EXPECT_EQ(loop->getFps(), 3u);
    delete loop;
}

// Unbound keys change nothing; a held F3 toggles the wireframe once and a
// held F5 asks for one mode switch; Escape is level-triggered: held for five
// frames it asks five times.
TEST_F(MainLoopTest, KeyDispatch)
{
    MainLoop* loop = start();
    for (int frame = 0; frame < 4; ++frame)
        frameWith(*loop, {114});
    EXPECT_TRUE(loop->isWireframe());
    GLint mode[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_LINE);
    frameWith(*loop, {});
    frameWith(*loop, {114});
    frameWith(*loop, {114});
    EXPECT_FALSE(loop->isWireframe());
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);

    drainMessages();
    frameWith(*loop, {112, 113, 'O', 'X', 115, 117});
    EXPECT_FALSE(loop->isWireframe());
    EXPECT_TRUE(drainMessages().empty());

    for (int frame = 0; frame < 3; ++frame)
        frameWith(*loop, {116});
    EXPECT_EQ(drainMessages(), std::vector<Type>{Type::SwitchMode});
    EXPECT_TRUE(Application::keepRunning);

    for (int frame = 0; frame < 5; ++frame)
        frameWith(*loop, {27});
    EXPECT_FALSE(Application::keepRunning);
    EXPECT_EQ(drainMessages(), std::vector<Type>(5, Type::Quit));
    frameWith(*loop, {});
    EXPECT_TRUE(drainMessages().empty());
    delete loop;
}

// Main-loop keys, then each player's keys, then both pads, player 2's first.
TEST_F(MainLoopTest, BindingsFollowTheStartUpOrder)
{
    MainLoop* loop = start();
    const auto& bindings = ObjectRegistry::instance()->findAs<InputHandler>("InputHandler")->getBindings();
    constexpr std::size_t mainKeyCount = 6;
    ASSERT_EQ(bindings.size(), mainKeyCount + 4 * 8);
    const std::uint8_t mainKeys[mainKeyCount] = {27, 112, 113, 114, 116, 120};
    for (std::size_t i = 0; i < mainKeyCount; ++i) {
        EXPECT_EQ(bindings[i].code, mainKeys[i]);
        EXPECT_EQ(bindings[i].target, InputHandler::targetMainLoop);
        EXPECT_EQ(bindings[i].player, 0);
    }
    struct Block { std::uint8_t player, media, up; };
    const Block blocks[] = {{1, 0, 'W'}, {2, 0, 0x26}, {2, 1, 12}, {1, 1, 12}};
    for (std::size_t block = 0; block < 4; ++block) {
        const KeyBinding& first = bindings[mainKeyCount + block * 8];
        EXPECT_EQ(first.player, blocks[block].player) << block;
        EXPECT_EQ(first.media, blocks[block].media) << block;
        EXPECT_EQ(first.code, blocks[block].up) << block;
        EXPECT_EQ(first.action, 1) << block;
    }
    const auto lines = logLines();
    EXPECT_EQ(lines[3], "Initializing InputHandler ... ");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "...InputHandler: player #0 registerd 27 for 1 on media 0 "),
              lines.end());
    delete loop;
}

// The fixed state as start-up leaves it; then the camera and the light as a
// node of player 1's half meets them in the middle of a frame; and every
// frame leaves the matrix stack as deep as it found it.
TEST_F(MainLoopTest, FixedStateThenTheFramesCameraAndLight)
{
    MainLoop* loop = start();
    const std::pair<GLenum, GLint> fixed[] = {
        {GL_DEPTH_FUNC, GL_LEQUAL},      {GL_SHADE_MODEL, GL_SMOOTH},  {GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST},
        {GL_POINT_SMOOTH_HINT, GL_NICEST}, {GL_BLEND_SRC, GL_SRC_ALPHA}, {GL_BLEND_DST, GL_ONE_MINUS_SRC_ALPHA},
        {GL_STENCIL_CLEAR_VALUE, 0},     {GL_DEPTH_TEST, GL_TRUE},     {GL_TEXTURE_2D, GL_TRUE},
        {GL_BLEND, GL_TRUE}};
    for (const auto& [name, expected] : fixed) {
        GLint value = -1;
        glGetIntegerv(name, &value);
        EXPECT_EQ(value, expected) << "GL state 0x" << std::hex << name;
    }
    EXPECT_EQ(DrawProbe::floats(GL_COLOR_CLEAR_VALUE), (std::array<GLfloat, 4>{0, 0, 0, 0.5f}));
    EXPECT_EQ(DrawProbe::floats<1>(GL_DEPTH_CLEAR_VALUE)[0], 1.0f);

    int probed = 0;
    ObjectGraph::find()->addNode(new DrawProbe(ObjectNode::SidePlayer1, [&](const DrawProbe& probe) {
        ++probed;
        probe.applySideTransform();
        // Scaled by a half, pushed 14 units away, moved to the left half.
        std::array<GLfloat, 16> camera{};
        camera[0] = camera[5] = camera[10] = 0.5f;
        camera[12] = -1.25f;
        camera[14] = -7.0f;
        camera[15] = 1.0f;
        EXPECT_EQ(DrawProbe::floats<16>(GL_MODELVIEW_MATRIX), camera);

        EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
        EXPECT_EQ(DrawProbe::floats(GL_LIGHT_MODEL_AMBIENT), (std::array<GLfloat, 4>{0.5f, 0.5f, 0.5f, 1}));
        EXPECT_EQ(DrawProbe::floats<1>(GL_LIGHT_MODEL_LOCAL_VIEWER)[0], 1.0f);
        std::array<GLfloat, 4> light{};
        for (const GLenum colour : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}) {
            glGetLightfv(GL_LIGHT0, colour, light.data());
            EXPECT_EQ(light, (std::array<GLfloat, 4>{1, 1, 1, 1})) << colour;
        }
        // Placed at z 50.7 behind a further 10 units: (50.7 - 24) / 2 in eye space.
        glGetLightfv(GL_LIGHT0, GL_POSITION, light.data());
        EXPECT_EQ(light[0], 0.0f);
        EXPECT_EQ(light[1], 0.0f);
        EXPECT_NEAR(light[2], 13.35f, 1e-4f);
        EXPECT_EQ(light[3], 1.0f);
    }), "Probe");

    GLint before = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
    loop->draw();
    EXPECT_EQ(probed, 0) << "the story screen draws no node";
    loop->setStarted(1);
    loop->draw();
    EXPECT_EQ(probed, 1);
    GLint after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    delete loop;
}

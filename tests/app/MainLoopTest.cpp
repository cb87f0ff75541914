#include "ShellFixture.h"

#include "app/MainLoop.h"
#include "flow/Match.h"
#include "fx/Text.h"
#include "platform/SimulatedClock.h"
#include "platform/SystemClock.h"
#include "platform/VirtualKeys.h"
#include "scene/ObjectGraph.h"
#include "scene/ObjectNode.h"
#include "support/DrawProbe.h"

#include <GL/gl.h>

#include <algorithm>

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

// Frames are counted per whole second of ticks, also across the tick
// counter's wrap; a minimised window makes no frames, but the clock runs on.
TEST_F(MainLoopTest, FrameClockCountsFramesPerWholeSecond)
{
    platform::SimulatedClock clock(5000);
    const auto loop = start();
    struct Step {
        std::uint32_t ticks;
        bool setTo;
        int frames;
        std::uint32_t fps;
        std::uint32_t delta;
    };
    const Step steps[] = {{16, false, 1, 1, 16}, {20, false, 10, 1, 20}, {6000, true, 1, 11, 784},
        {4321, false, 1, 1, 4321}, {0xFFFFFFF0u, true, 1, 1, 0xFFFFFFF0u - 10321}, {0x20, false, 1, 1, 0x20},
        {400, false, 2, 3, 400}};
    for (const Step& step : steps) {
        for (int frame = 0; frame < step.frames; ++frame) {
            step.setTo ? clock.set(step.ticks) : clock.advance(step.ticks);
            loop->update();
        }
        EXPECT_EQ(loop->getFps(), step.fps) << step.ticks;
        EXPECT_EQ(loop->getFrameDelta(), step.delta) << step.ticks;
        EXPECT_EQ(FrameClock::frameDelta(), step.delta) << step.ticks;
    }
}

// A held F3 toggles the wireframe once and a held F9 starts one calibration;
// unbound keys change nothing; a held F5 asks for one mode switch; Escape is
// level-triggered: held for five frames it asks five times.
TEST_F(MainLoopTest, KeyDispatch)
{
    const auto loop = start();
    for (int frame = 0; frame < 4; ++frame)
        frameWith(*loop, {114, 120});
    EXPECT_TRUE(loop->isWireframe());
    const auto lines = logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Calibration: started, tap a step key on each click "), 1);
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
}

// F8 opens the mapping screen, where Escape skips an action instead of
// ending the game, held or not, and a slot key does not start the song.
TEST_F(MainLoopTest, EscapeSkipsOnTheMappingScreen)
{
    const auto loop = start();
    frameWith(*loop, {platform::VirtualKeys::function(8)});
    const MappingScreen& mapping = loop->getMatch().getMapping();
    ASSERT_EQ(loop->getMatch().currentScreen(), static_cast<const Screen*>(&mapping));
    loop->draw();
    drainMessages();
    ++presses.count[platform::VirtualKeys::escape];
    for (int frame = 0; frame < 3; ++frame)
        frameWith(*loop, {platform::VirtualKeys::escape});
    EXPECT_EQ(mapping.getAction(), 2);
    EXPECT_TRUE(Application::keepRunning);
    EXPECT_TRUE(drainMessages().empty());
    frameWith(*loop, {platform::VirtualKeys::function(4)});
    frameWith(*loop, {});
    ++presses.count['Q'];
    frameWith(*loop, {'Q'});
    EXPECT_EQ(loop->getMatch().currentScreen(), static_cast<const Screen*>(&mapping)) << "still asking";
}

// The story screen draws no node. In play, a node of player 1's half is drawn
// lit in the left half; every frame leaves the matrix stack as deep as it found it.
TEST_F(MainLoopTest, NodesDrawOnlyInPlayAndFramesKeepTheMatrixStack)
{
    const auto loop = start();
    int probed = 0;
    ObjectGraph::find()->addNode(new DrawProbe(ObjectNode::SidePlayer1, [&](const DrawProbe& probe) {
        ++probed;
        probe.applySideTransform();
        EXPECT_LT(DrawProbe::floats<16>(GL_MODELVIEW_MATRIX)[12], 0.0f);
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    }), "Probe");

    const auto stackDepth = [] {
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        return depth;
    };
    const GLint before = stackDepth();
    loop->draw();
    EXPECT_EQ(probed, 0) << "the story screen draws no node";
    loop->getMatch().onPlayerAction(1, 5, platform::SystemClock::tickCount(), true);
    ASSERT_EQ(loop->getStarted(), 1);
    loop->draw();
    EXPECT_EQ(probed, 1);
    EXPECT_EQ(stackDepth(), before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "input/InputHandler.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t key = 'W';

// What the handler told, one frame at a time: "P<tick>" a new press, "H" a
// key still down, "R<tick>" a release.
class InputHandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OutputHandler::instance()->open();
        input = new InputHandler();
        input->init(keys.data(), &presses);
        input->setReceivers({{}, {},
                             [this](std::uint8_t, std::uint8_t, std::uint32_t tick, bool newPress) {
                                 told.push_back(newPress ? "P" + std::to_string(tick) : "H");
                             },
                             [this](std::uint8_t, std::uint8_t, std::uint32_t tick) {
                                 told.push_back("R" + std::to_string(tick));
                             }});
    }

    void TearDown() override { ObjectRegistry::destroy(); }

    void setKey(bool down, std::uint32_t tick)
    {
        keys[key] = down ? 1 : 0;
        (down ? presses.tick : presses.releaseTick)[key] = tick;
        ++(down ? presses.count : presses.releaseCount)[key];
    }

    testsupport::ScratchDir scratch;
    std::array<std::uint8_t, 256> keys{};
    KeyPresses presses{};
    InputHandler* input = nullptr;
    std::vector<std::string> told;
};

// A release reaches the player's action with its own moment, after a press
// made earlier in the same frame and before one made later; a release made
// before the binding existed is not its to tell, and a main-loop key tells
// no release.
TEST_F(InputHandlerTest, ReleasesAreToldOnceWithTheirMomentInOrderWithPresses)
{
    setKey(true, 50);
    setKey(false, 60);
    input->registerBinding(key, InputHandler::targetPlayerAction, 1, 1, InputHandler::mediaKeyboard);
    input->registerBinding(key, InputHandler::targetMainLoop, 0, 0, InputHandler::mediaKeyboard);
    const struct {
        std::vector<std::pair<bool, std::uint32_t>> events;
        std::vector<std::string> expected;
    } frames[] = {
        {{}, {}},
        {{{true, 100}}, {"P100"}},
        {{}, {"H"}},
        {{{false, 150}}, {"R150"}},
        {{}, {}},
        {{{true, 200}, {false, 210}}, {"P200", "R210"}},
        {{{true, 300}}, {"P300"}},
        {{{false, 310}, {true, 320}}, {"R310", "P320"}},
        {{{false, 330}, {true, 340}, {false, 350}}, {"P340", "R350"}},
    };
    for (const auto& frame : frames) {
        for (const auto& [down, tick] : frame.events)
            setKey(down, tick);
        told.clear();
        input->update();
        EXPECT_EQ(told, frame.expected) << (frame.expected.empty() ? "" : frame.expected.front());
    }
}

} // namespace

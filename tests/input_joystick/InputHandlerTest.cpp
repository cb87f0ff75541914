#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "input/InputHandler.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

// A release reaches the player's action once, with its own moment, after a
// press made earlier in the same frame and before one made later ("P" a new
// press, "H" a key still down, "R" a release); one made before the binding
// existed is not its to tell, and a main-loop key tells none.
TEST(InputHandler, ReleasesAreToldOnceWithTheirMomentInOrderWithPresses)
{
    const testsupport::ScratchDir scratch;
    OutputHandler::instance()->open();
    std::array<std::uint8_t, 256> keys{};
    KeyPresses presses{};
    std::vector<std::string> told;
    const auto setKey = [&](bool down, std::uint32_t tick) {
        keys['W'] = down ? 1 : 0;
        (down ? presses.tick : presses.releaseTick)['W'] = tick;
        ++(down ? presses.count : presses.releaseCount)['W'];
    };
    auto* input = new InputHandler();
    input->init(keys.data(), &presses);
    input->setReceivers({{}, {},
                         [&](std::uint8_t, std::uint8_t, std::uint32_t tick, bool newPress) {
                             told.push_back(newPress ? "P" + std::to_string(tick) : "H");
                         },
                         [&](std::uint8_t, std::uint8_t, std::uint32_t tick) { told.push_back("R" + std::to_string(tick)); }});
    setKey(true, 50);
    setKey(false, 60);
    input->registerBinding('W', InputHandler::targetPlayerAction, 1, 1, InputHandler::mediaKeyboard);
    input->registerBinding('W', InputHandler::targetMainLoop, 0, 0, InputHandler::mediaKeyboard);
    const struct {
        std::vector<std::pair<bool, std::uint32_t>> events;
        std::vector<std::string> expected;
    } frames[] = {
        {{}, {}}, {{{true, 100}}, {"P100"}}, {{}, {"H"}}, {{{false, 150}}, {"R150"}}, {{}, {}},
        {{{true, 200}, {false, 210}}, {"P200", "R210"}}, {{{true, 300}}, {"P300"}},
        {{{false, 310}, {true, 320}}, {"R310", "P320"}},
    };
    for (const auto& frame : frames) {
        for (const auto& [down, tick] : frame.events)
            setKey(down, tick);
        told.clear();
        input->update();
        EXPECT_EQ(told, frame.expected) << (frame.expected.empty() ? "" : frame.expected.front());
    }
    ObjectRegistry::destroy();
}

#include "MappingStage.h"

#include "flow/Match.h"
#include "game/ArrowManager.h"
#include "input/InputHandler.h"
#include "input/InputJoystick.h"
#include "sound/SoundManager.h"
#include "support/VirtualJoystick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

namespace {

using flowtest::MappingStage;
using testsupport::VirtualJoystick;

// The lines of `after` that `before` does not have, with every line of
// `before` still there in its order; nothing when one went missing.
std::optional<std::vector<std::string>> addedLines(const std::string& before, const std::string& after)
{
    const auto old = testsupport::linesOf(before);
    std::vector<std::string> added;
    std::size_t kept = 0;
    for (const std::string& line : testsupport::linesOf(after)) {
        if (kept < old.size() && line == old[kept])
            ++kept;
        else
            added.push_back(line);
    }
    if (kept != old.size())
        return std::nullopt;
    return added;
}

class MappingScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (VirtualJoystick::attachedCount() > 0)
            GTEST_SKIP() << "real game controllers are attached";
        // The stage's window is hidden and never has the focus.
        setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
    }

    void TearDown() override { unsetenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS"); }

    // The button goes down for one frame and is let go the next.
    static void step(MappingStage& stage, VirtualJoystick& mat, int button)
    {
        mat.setButton(button, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        stage.frame();
        mat.setButton(button, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        stage.frame();
    }

    static void skip(MappingStage& stage, int times)
    {
        for (int i = 0; i < times; ++i)
            stage.tap(MappingStage::keyEscape);
    }
};

// Escape skips and keeps, Backspace goes back and undoes, main-loop keys are
// not taken, a key the other player has is refused; only the changed line
// is written and the new key plays at once.
TEST_F(MappingScreenTest, KeysWithSkipBackAndRefusal)
{
    MappingStage stage;
    const std::string before = stage.config();
    stage.tap(MappingStage::keyF8);
    const MappingScreen& screen = stage.match().getMapping();
    struct Step {
        std::uint8_t key;
        int player;
        int action;
        const char* message;
    };
    const Step steps[] = {
        {MappingStage::keyF4, 1, 1, ""},
        {MappingStage::keyBackspace, 1, 1, ""},
        {'I', 1, 2, "Up: key I"},
        {MappingStage::keyBackspace, 1, 1, "Back to Up"},
        {MappingStage::keyEscape, 1, 2, "Up skipped"},
        {0x26, 1, 2, "Refused: key Up is Mia's Up"},
        {'J', 1, 3, "Right: key J"},
    };
    for (const Step& step : steps) {
        stage.tap(step.key);
        EXPECT_EQ(screen.getPlayer(), step.player) << int{step.key};
        EXPECT_EQ(screen.getAction(), step.action) << int{step.key};
        EXPECT_EQ(screen.getMessage(), step.message) << int{step.key};
    }
    skip(stage, 6);
    stage.tap('J');
    EXPECT_EQ(screen.getMessage(), "Refused: key J is Kai's Right");
    EXPECT_EQ(screen.getPlayer(), 2);
    skip(stage, 8);
    ASSERT_EQ(screen.getState(), MappingScreen::State::Finished);
    EXPECT_EQ(screen.getMessage(), "Saved 1 line to Conf/global.cfg");

    std::string expected = before;
    expected.replace(expected.find("KeyRight = 44"), 13, "KeyRight = 4A");
    EXPECT_EQ(stage.config(), expected);
    const auto& bindings = stage.input().getBindings();
    const auto bound = [&bindings](std::uint8_t code) {
        return std::any_of(bindings.begin(), bindings.end(), [code](const KeyBinding& binding) {
            return binding.player == 1 && binding.action == 2 && binding.media == InputHandler::mediaKeyboard
                && binding.code == code;
        });
    };
    EXPECT_TRUE(bound('J'));
    EXPECT_FALSE(bound(0x44));
    // The new key is Kai's Right at once: a new press of it leaves the screen.
    stage.tap('J');
    EXPECT_EQ(stage.match().currentScreen(), static_cast<const Screen*>(&stage.match().getStory()));
}

// A pad control is the other player's only on the same pad; a player's
// controls come from one pad.
TEST_F(MappingScreenTest, PadControlsAreRefusedOnlyOnTheOtherPlayersPad)
{
    VirtualJoystick first("First Mat", 4, 0);
    VirtualJoystick second("Second Mat", 4, 0);
    MappingStage stage;
    ASSERT_TRUE(stage.input().getJoystick(2)->isActive());
    const std::string firstPad = ControlMapping::formatPadDevice(stage.input().getJoystick(1)->getPadDevice());
    const std::string secondPad = ControlMapping::formatPadDevice(stage.input().getJoystick(2)->getPadDevice());
    const std::string before = stage.config();
    stage.tap(MappingStage::keyF8);
    const MappingScreen& screen = stage.match().getMapping();
    step(stage, first, 0);
    skip(stage, 7);
    step(stage, first, 0);
    EXPECT_EQ(screen.getMessage(), "Refused: button 0 is Kai's Up");
    step(stage, second, 0);
    EXPECT_EQ(screen.getMessage(), "Up: button 0");
    step(stage, first, 1);
    EXPECT_EQ(screen.getMessage(), "Refused: Mia maps another pad, not mat: First Mat");
    EXPECT_EQ(screen.getAction(), 2);
    skip(stage, 7);
    ASSERT_EQ(screen.getState(), MappingScreen::State::Finished);
    const auto added = addedLines(before, stage.config());
    ASSERT_TRUE(added);
    EXPECT_EQ(*added, (std::vector<std::string>{"PadUp = button 0", "PadDevice = " + firstPad, "PadUp = button 0",
                                                "PadDevice = " + secondPad}));
}

// A write that fails changes neither the file nor the mapping; a pad
// unplugged while the screen asks, or F8 pressed there, ends it without
// writing.
TEST_F(MappingScreenTest, AFailedWriteOrAVanishedPadChangesNothing)
{
    const std::string f8 = "MappingScreen: ended, left with F8, nothing was written";
    const std::string failed = "MappingScreen: Could not write the mapping to 'Conf/global.cfg'";
    const std::string unplugged = "MappingScreen: ended, a pad was unplugged, nothing was written";
    for (const std::string& ending : {f8, failed, unplugged}) {
        SCOPED_TRACE(ending);
        std::optional<VirtualJoystick> pad;
        if (ending == unplugged)
            pad.emplace("Loose Mat", 4, 0);
        MappingStage stage;
        const std::string before = stage.config();
        if (ending == failed)
            std::filesystem::create_directory(stage.folder().path() / "Conf/global.cfg.new");
        stage.tap(MappingStage::keyF8);
        pad ? step(stage, *pad, 0) : stage.tap('I');
        ASSERT_EQ(stage.match().getMapping().getAction(), 2);
        if (ending == failed) {
            skip(stage, 15);
            EXPECT_EQ(stage.match().getMapping().getMessage(), "Could not write Conf/global.cfg, nothing was changed");
        } else {
            if (pad)
                pad->unplug();
            pad ? stage.frame() : stage.tap(MappingStage::keyF8);
            EXPECT_EQ(stage.match().currentScreen(), static_cast<const Screen*>(&stage.match().getStory()));
        }
        EXPECT_EQ(stage.config(), before);
        EXPECT_EQ(stage.input().getPlayerMapping(1).keyFor(1), Control::key(0x57));
        EXPECT_FALSE(stage.input().getPlayerMapping(1).hasPadControls());
        EXPECT_NE(stage.log().find(ending), std::string::npos);
    }
}

} // namespace

#include "MappingStage.h"

#include "flow/Match.h"
#include "game/ArrowManager.h"
#include "input/InputHandler.h"
#include "input/InputJoystick.h"
#include "sound/SoundManager.h"
#include "support/VirtualJoystick.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <optional>
#include <thread>
#include <vector>

namespace {

using flowtest::MappingStage;
using testsupport::VirtualJoystick;

constexpr double halfBeatMs = 30000.0 / 128.0;

// One control of a virtual mat, pressed and let go as the mat reports it.
struct MatControl {
    enum Kind { Button, Hat, Axis } kind;
    int number;
    int value; // the hat's bit, the axis's end

    void set(VirtualJoystick& mat, bool down) const
    {
        if (kind == Button)
            mat.setButton(number, down);
        else if (kind == Hat)
            mat.setHat(number, static_cast<std::uint8_t>(down ? value : SDL_HAT_CENTERED));
        else
            mat.setAxis(number, static_cast<std::int16_t>(down ? value : 0));
    }
};

MatControl button(int number)
{
    return {MatControl::Button, number, 0};
}

MatControl hat(int bit)
{
    return {MatControl::Hat, 0, bit};
}

MatControl axis(int number, int end)
{
    return {MatControl::Axis, number, end};
}

struct MatCase {
    const char* name;
    int buttons;
    int axes;
    int hats;
    // Up, Right, Down, Left; the slots are skipped and keep their buttons.
    std::array<MatControl, 4> arrows;
    std::array<const char*, 4> lines;
};

std::ostream& operator<<(std::ostream& out, const MatCase& mat)
{
    return out << mat.name;
}

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

    // The control goes down for one frame and is let go the next.
    static void step(MappingStage& stage, VirtualJoystick& mat, const MatControl& control)
    {
        control.set(mat, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        stage.frame();
        control.set(mat, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        stage.frame();
    }

    static void skip(MappingStage& stage, int times)
    {
        for (int i = 0; i < times; ++i)
            stage.tap(MappingStage::keyEscape);
    }
};

class MatPlayTest : public MappingScreenTest, public ::testing::WithParamInterface<MatCase> {};

// Each mat is mapped through the screen, which writes only its lines, and
// then plays the song: every press goes down on its note's time, as a
// button, hat or axis, and every one is "Godlike". A step on the mapped
// arrows does not also act as the slot whose button it took.
TEST_P(MatPlayTest, MappedThroughTheScreenItPlaysASongAllGodlike)
{
    const MatCase& mat = GetParam();
    VirtualJoystick pad(mat.name, mat.buttons, mat.axes, mat.hats);
    MappingStage stage;
    ASSERT_TRUE(stage.input().getJoystick(1)->isActive());
    EXPECT_EQ(MappingScreen::devicesOf(1), std::string("keyboard, mat: ") + mat.name);
    EXPECT_EQ(MappingScreen::devicesOf(2), "keyboard");
    const std::string guid = stage.input().getJoystick(1)->getPadDevice().guid;
    const std::string before = stage.config();

    stage.tap(MappingStage::keyF8);
    ASSERT_EQ(stage.match().currentScreen(), static_cast<const Screen*>(&stage.match().getMapping()));
    for (const MatControl& control : mat.arrows)
        step(stage, pad, control);
    skip(stage, 4 + 8);
    const MappingScreen& screen = stage.match().getMapping();
    ASSERT_EQ(screen.getState(), MappingScreen::State::Finished);
    EXPECT_EQ(screen.getMessage(), "Saved 5 lines to Conf/global.cfg");

    std::vector<std::string> expected(mat.lines.begin(), mat.lines.end());
    expected.push_back("PadDevice = " + guid);
    const auto added = addedLines(before, stage.config());
    ASSERT_TRUE(added);
    EXPECT_EQ(*added, expected);
    const auto lines = testsupport::linesOf(stage.config());
    const auto firstAdded = std::find(lines.begin(), lines.end(), expected.front());
    EXPECT_LT(std::find(lines.begin(), lines.end(), "[Player1]"), firstAdded);
    EXPECT_LT(firstAdded, std::find(lines.begin(), lines.end(), "[Player2]"));

    // A new press goes back to the songs; a mapped arrow there is no slot.
    step(stage, pad, mat.arrows[0]);
    ASSERT_EQ(stage.match().currentScreen(), static_cast<const Screen*>(&stage.match().getStory()));
    step(stage, pad, mat.arrows[0]);
    EXPECT_EQ(stage.match().currentScreen(), static_cast<const Screen*>(&stage.match().getStory()));
    stage.tap(0x51);
    ASSERT_TRUE(stage.arrows().songRun().isStarted());

    SoundManager& sound = *SoundManager::instance();
    const std::string notes = MappingStage::notes;
    std::size_t pressed = 0;
    for (std::size_t halfBeat = 0; halfBeat < notes.size(); ++halfBeat) {
        const auto found = std::string("8624").find(notes[halfBeat]);
        if (found == std::string::npos)
            continue;
        const double beatMs = MappingStage::gapMs + static_cast<double>(halfBeat) * halfBeatMs;
        for (int frame = 0; frame < 1000 && sound.getSongTime(OwnSongStepper::streamName) + 10 < beatMs; ++frame)
            stage.frame();
        // The song reaches the beat; the press is stamped by the pad's watch,
        // so the simulated clock moves on with the real time it takes.
        const double songNow = sound.getSongTime(OwnSongStepper::streamName);
        stage.advanceTo(stage.now() + static_cast<std::uint32_t>(std::lround(beatMs - songNow)));
        const auto pressedAt = std::chrono::steady_clock::now();
        mat.arrows[found].set(pad, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - pressedAt);
        stage.frame(static_cast<std::uint32_t>(waited.count()));
        mat.arrows[found].set(pad, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        stage.frame();
        ++pressed;
    }
    for (int frame = 0; frame < 1000 && !stage.arrows().songEnd().isOver(); ++frame)
        stage.frame(20);
    EXPECT_TRUE(stage.arrows().songEnd().isOver());
    const auto& tally = stage.arrows().judging().scoreOf(1).getTally();
    EXPECT_EQ(pressed, 8u);
    EXPECT_EQ(tally[0], pressed) << "Godlike";
    EXPECT_EQ(std::accumulate(tally.begin(), tally.end(), 0u), pressed);
}

INSTANTIATE_TEST_SUITE_P(
    Mats, MatPlayTest,
    ::testing::Values(
        MatCase{"Low Buttons Mat", 4, 0, 0, {button(0), button(1), button(2), button(3)},
                {"PadUp = button 0", "PadRight = button 1", "PadDown = button 2", "PadLeft = button 3"}},
        MatCase{"Hat Mat", 4, 0, 1, {hat(SDL_HAT_UP), hat(SDL_HAT_RIGHT), hat(SDL_HAT_DOWN), hat(SDL_HAT_LEFT)},
                {"PadUp = hat 0 up", "PadRight = hat 0 right", "PadDown = hat 0 down", "PadLeft = hat 0 left"}},
        MatCase{"Axis Mat", 4, 2, 0, {axis(1, -32768), axis(0, 32767), axis(1, 32767), axis(0, -32768)},
                {"PadUp = axis 1 -", "PadRight = axis 0 +", "PadDown = axis 1 +", "PadLeft = axis 0 -"}}),
    [](const ::testing::TestParamInfo<MatCase>& info) {
        std::string name = info.param.name;
        name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
        return name;
    });

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
    step(stage, first, button(0));
    skip(stage, 7);
    step(stage, first, button(0));
    EXPECT_EQ(screen.getMessage(), "Refused: button 0 is Kai's Up");
    step(stage, second, button(0));
    EXPECT_EQ(screen.getMessage(), "Up: button 0");
    step(stage, first, button(1));
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
        pad ? step(stage, *pad, button(0)) : stage.tap('I');
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

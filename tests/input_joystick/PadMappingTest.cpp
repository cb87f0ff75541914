#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "input/Control.h"
#include "input/ControlCapture.h"
#include "input/ControlMapping.h"
#include "input/InputHandler.h"
#include "input/InputJoystick.h"
#include "platform/JoystickDevices.h"
#include "support/TestSupport.h"
#include "support/VirtualJoystick.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using testsupport::VirtualJoystick;
using Direction = Control::Direction;

constexpr int up = 1;
constexpr int right = 2;
constexpr int down = 3;
constexpr int left = 4;
constexpr int slot1 = 5;

// The section the configuration reader gives for these lines (it registers itself: the registry owns it).
ConfigFileParser::Section sectionOf(const std::string& lines)
{
    auto* parser = new ConfigFileParser();
    parser->parseText("[Player1]\n" + lines);
    return parser->getSection("Player1");
}

TEST(Control, ReadableFormsRoundTripAndGarbleReadsAsNothing)
{
    const std::pair<const char*, const char*> good[] = {
        {"button 0", "button 0"},     {"  Button   127 ", "button 127"}, {"hat 0 left", "hat 0 left"},
        {"HAT 3 Up", "hat 3 up"},     {"axis 1 +", "axis 1 +"},       {"axis 15 -", "axis 15 -"},
        {"key 26", "key 26"},         {"key 4f", "key 4F"},           {"key 0", "key 0"},
    };
    for (const auto& [text, formatted] : good) {
        const std::optional<Control> control = Control::parse(text);
        ASSERT_TRUE(control) << text;
        EXPECT_EQ(control->format(), formatted);
        EXPECT_EQ(Control::parse(control->format()), control) << text;
    }
    for (const char* garbled : {"", "button", "button -1", "button 128", "button 1x", "button 0 1", "hat 0",
                                "hat 4 up", "hat 0 +", "hat 0 north", "axis 1", "axis 16 +", "axis 1 left",
                                "key 100", "key zz", "pedal 1", "button 99999999999999999999"})
        EXPECT_FALSE(Control::parse(garbled)) << garbled;
}

class PadMappingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (VirtualJoystick::attachedCount() > 0)
            GTEST_SKIP() << "real game controllers are attached";
        OutputHandler::instance()->open();
    }

    void TearDown() override
    {
        devices.reset();
        ObjectRegistry::destroy();
    }

    void startUp()
    {
        devices = platform::JoystickDevices::create();
        ASSERT_TRUE(devices);
        first = new InputJoystick(1);
        second = new InputJoystick(2);
        ASSERT_TRUE(InputJoystick::enumerate(*devices, *first, *second));
        for (InputJoystick* joystick : {first, second})
            if (joystick->hasDevice())
                joystick->setUp();
        // The first poll acquires.
        first->poll();
        second->poll();
    }

    // Whether the action's control is down on the joystick, and its press count.
    static std::pair<bool, std::uint32_t> action(InputJoystick& joystick, int number, int defaultButton = -1)
    {
        joystick.poll();
        const int index = joystick.switchFor(number, defaultButton);
        if (index < 0)
            return {false, 0};
        const JoystickState& state = joystick.getState();
        return {state.switches[static_cast<std::size_t>(index)] != 0, state.pressCount[static_cast<std::size_t>(index)]};
    }

    std::size_t warnings() const
    {
        const auto lines = testsupport::linesOf(testsupport::readFile(scratch.path() / "output.log"));
        return static_cast<std::size_t>(
            std::count_if(lines.begin(), lines.end(), [](const std::string& line) { return line.find("WARNING") != std::string::npos; }));
    }

    testsupport::ScratchDir scratch;
    std::unique_ptr<platform::JoystickDevices> devices;
    InputJoystick* first = nullptr;
    InputJoystick* second = nullptr;
};

// Garbled values are not set, each with one warning; Key entries keep their
// hexadecimal reading; only changed entries are written back.
TEST_F(PadMappingTest, ASectionIsReadWithGarbleAsNotSetAndWrittenBackByChangesOnly)
{
    const ControlMapping mapping = ControlMapping::read(
        sectionOf("KeyUp = 26\nKeyRight = 0x27\nPadUp = button 0\nPadRight = hat 0 right\nPadDown = axis 1 +\n"
                  "PadLeft = hat 9 left\nPadSlot1 = banana\nPadSlot2 =\nPadDevice = 0300abcd 2\n"),
        1);
    EXPECT_EQ(warnings(), 3u);
    EXPECT_EQ(mapping.keyFor(up), Control::key(0x26));
    EXPECT_EQ(mapping.keyFor(right), Control::key(0x27));
    EXPECT_EQ(mapping.padFor(up), Control::button(0));
    EXPECT_EQ(mapping.padFor(right), Control::hat(0, Direction::Right));
    EXPECT_EQ(mapping.padFor(down), Control::axis(1, true));
    for (const int unset : {left, slot1, slot1 + 1, 0, 9})
        EXPECT_FALSE(mapping.padFor(unset).isSet()) << unset;
    EXPECT_TRUE(mapping.getPadDevice().guid.empty());

    const std::string guid = "030000005e0400008e02000014010000";
    for (const auto& [text, order] : {std::pair{guid, 1}, {"030000005E0400008E02000014010000 2", 2}})
        EXPECT_EQ(ControlMapping::parsePadDevice(text), (ControlMapping::PadDevice{guid, order})) << text;
    for (const char* bad : {"", "0300", "030000005e0400008e02000014010000 0", "030000005e0400008e02000014010000 17",
                            "030000005e0400008e02000014010000x", "030000005e0400008e0200001401000011"})
        EXPECT_FALSE(ControlMapping::parsePadDevice(bad)) << bad;

    ControlMapping changed = mapping;
    changed.set(left, Control::hat(0, Direction::Left));
    changed.set(right, Control::key(0x44));
    changed.set(up, Control::button(0));
    changed.setPadDevice({guid, 2});
    EXPECT_EQ(changed.changedEntries(mapping),
              (ControlMapping::Entries{{"KeyRight", "44"}, {"PadLeft", "hat 0 left"}, {"PadDevice", guid + " 2"}}));
    EXPECT_TRUE(mapping.changedEntries(mapping).empty());
}

// A key is one key for both players; a pad control clashes only on the same pad.
TEST_F(PadMappingTest, DuplicatesBetweenPlayers)
{
    const ControlMapping other = ControlMapping::read(sectionOf("KeyUp = 26\nPadLeft = button 3\n"), 2);
    EXPECT_EQ(other.actionUsing(Control::key(0x26), false), up);
    EXPECT_EQ(other.actionUsing(Control::button(3), true), left);
    EXPECT_EQ(other.actionUsing(Control::button(3), false), 0);
    EXPECT_EQ(other.actionUsing(Control::button(4), true), 0);
    EXPECT_EQ(other.actionUsing(Control{}, true), 0);
}

// Mats with their arrows on buttons 0 to 3, on a hat and on axes each play
// with a mapping; without one the pad keeps buttons 12 to 15. An axis
// presses past half its way and lets go only below a quarter.
TEST_F(PadMappingTest, ArrowsOnLowButtonsOnAHatOrOnAxesPlayWithAMapping)
{
    VirtualJoystick buttons("Low Buttons", 16, 0);
    VirtualJoystick hat("Hat Mat", 4, 0, 1);
    startUp();
    first->applyMapping(ControlMapping::read(sectionOf("PadUp = button 0\nPadRight = button 1\n"), 1), *devices,
                        *second);
    second->applyMapping(ControlMapping::read(sectionOf("PadLeft = hat 0 left\nPadUp = hat 0 up\n"), 2), *devices,
                         *first);
    buttons.setButton(1, true);
    EXPECT_EQ(action(*first, right, 13), std::make_pair(true, 1u));
    EXPECT_EQ(action(*first, up, 12), std::make_pair(false, 0u));
    // An action the mapping leaves out keeps its button.
    buttons.setButton(14, true);
    EXPECT_EQ(action(*first, down, 14), std::make_pair(true, 1u));

    hat.setHat(0, SDL_HAT_LEFT | SDL_HAT_UP);
    EXPECT_EQ(action(*second, left, 15), std::make_pair(true, 1u));
    EXPECT_EQ(action(*second, up, 12), std::make_pair(true, 1u));
    hat.setHat(0, SDL_HAT_CENTERED);
    EXPECT_EQ(action(*second, left, 15), std::make_pair(false, 1u));
    hat.setHat(0, SDL_HAT_LEFT);
    EXPECT_EQ(action(*second, left, 15), std::make_pair(true, 2u));
    EXPECT_EQ(action(*second, up, 12), std::make_pair(false, 1u));
    const auto releases = [&](int direction) {
        return second->getState().releaseCount[static_cast<std::size_t>(platform::JoystickReading::hatSwitch(0, direction))];
    };
    EXPECT_EQ(std::make_pair(releases(3), releases(0)), std::make_pair(1u, 1u)) << "left and up went up once each";
}

TEST_F(PadMappingTest, AxesPressWithHysteresisAndARestingAxisNeverPresses)
{
    VirtualJoystick axes("Axis Mat", 4, 3);
    axes.setAxis(2, -32768); // a trigger resting at its end
    startUp();
    first->applyMapping(ControlMapping::read(sectionOf("PadDown = axis 1 +\nPadUp = axis 1 -\nPadLeft = axis 2 -\n"
                                                       "PadRight = axis 2 +\n"),
                                             1),
                        *devices, *second);
    const std::pair<std::int16_t, std::pair<bool, std::uint32_t>> steps[] = {
        {20000, {true, 1}}, {10000, {true, 1}}, {20000, {true, 1}}, {30000, {true, 1}},
        {7000, {false, 1}}, {15000, {false, 1}}, {17000, {true, 2}}, {0, {false, 2}},
    };
    for (const auto& [value, expected] : steps) {
        axes.setAxis(1, value);
        EXPECT_EQ(action(*first, down), expected) << value;
        EXPECT_EQ(action(*first, up).second, 0u) << value;
    }
    const auto axisDownSwitch = static_cast<std::size_t>(platform::JoystickReading::axisSwitch(1, true));
    EXPECT_EQ(first->getState().releaseCount[axisDownSwitch], 2u) << "let go at 7000 and at 0 only";
    axes.setAxis(1, -20000);
    EXPECT_EQ(action(*first, up), std::make_pair(true, 1u));
    for (int poll = 0; poll < 5; ++poll)
        EXPECT_EQ(action(*first, left), std::make_pair(false, 0u)) << "the trigger rests at its end";
    axes.setAxis(2, 10000);
    EXPECT_EQ(action(*first, right), std::make_pair(true, 1u));
}

// The mapping names the second of two mats of one model: it moves to the
// player's joystick, and plays on with it after an unplug and a replug.
TEST_F(PadMappingTest, TwinMatsAreToldApartAndAReplugKeepsTheMapping)
{
    VirtualJoystick mat("Twin Mat", 16, 0);
    VirtualJoystick twin("Twin Mat", 16, 0);
    startUp();
    const std::string guid = devices->guidAt(0);
    ASSERT_EQ(devices->guidAt(1), guid);
    EXPECT_EQ(first->getPadDevice(), (ControlMapping::PadDevice{guid, 1}));
    EXPECT_TRUE(first->applyMapping(
        ControlMapping::read(sectionOf("PadUp = button 0\nPadDevice = " + guid + " 2\n"), 1), *devices, *second));
    EXPECT_EQ(first->getPadDevice(), (ControlMapping::PadDevice{guid, 2}));
    EXPECT_EQ(second->getPadDevice(), (ControlMapping::PadDevice{guid, 1}));
    first->poll();
    second->poll();

    twin.setButton(0, true);
    mat.setButton(12, true);
    EXPECT_EQ(action(*first, up, 12), std::make_pair(true, 1u));
    EXPECT_EQ(action(*second, up, 12), std::make_pair(true, 1u)) << "the other mat keeps button 12";
    twin.unplug();
    EXPECT_FALSE(action(*first, up, 12).first);
    EXPECT_TRUE(first->isLost());
    twin.plugIn();
    twin.setButton(0, false);
    action(*first, up, 12);
    twin.setButton(0, true);
    EXPECT_EQ(action(*first, up, 12), std::make_pair(true, 2u));
    EXPECT_TRUE(action(*second, up, 12).first);

    // A mapping for a pad that is not attached leaves the joystick's own pad on its buttons.
    EXPECT_FALSE(second->applyMapping(
        ControlMapping::read(sectionOf("PadUp = button 5\nPadDevice = 0300000000000000000000000000abcd\n"), 2),
        *devices, *first));
    EXPECT_EQ(second->switchFor(up, 12), 12);
}

// A controller SDL's database knows plays on its d-pad and face buttons.
TEST_F(PadMappingTest, AKnownControllerGetsItsDpadAndFaceButtons)
{
    VirtualJoystick pad("Known Pad", 15, 6, 0, true);
    startUp();
    const int expected[] = {11, 14, 12, 13, 0, 1, 2, 3};
    for (int number = up; number <= slot1 + 3; ++number)
        EXPECT_EQ(first->switchFor(number, -1), expected[number - 1]) << number;
    pad.setButton(13, true);
    EXPECT_EQ(action(*first, left, 15), std::make_pair(true, 1u));
    // Its own mapping wins over the database.
    first->applyMapping(ControlMapping::read(sectionOf("PadUp = button 9\n"), 1), *devices, *second);
    EXPECT_EQ(first->switchFor(up, 12), 9);
    EXPECT_EQ(first->switchFor(slot1, 0), 0);
    EXPECT_EQ(first->switchFor(left, 15), 15);
}

// The capture reports the next control with its pad, ignores what was
// already down, and ends without a control when the pad goes away.
TEST_F(PadMappingTest, CaptureTakesTheNextControlAndEndsWhenItsPadVanishes)
{
    VirtualJoystick hat("Hat Mat", 4, 2, 1);
    hat.setButton(2, true);
    auto* input = new InputHandler();
    std::array<std::uint8_t, 256> keys{};
    KeyPresses presses{};
    input->init(keys.data(), &presses);
    input->update();
    input->update();
    ControlCapture capture;
    capture.start(*input);
    input->update();
    EXPECT_EQ(capture.poll(*input), ControlCapture::Status::Waiting);
    hat.setHat(0, SDL_HAT_LEFT);
    input->update();
    ASSERT_EQ(capture.poll(*input), ControlCapture::Status::Captured);
    EXPECT_EQ(capture.getCaptured().control, Control::hat(0, Direction::Left));
    EXPECT_EQ(capture.getCaptured().joystick, 1);
    EXPECT_EQ(capture.getCaptured().deviceName, "mat: Hat Mat");

    capture.start(*input);
    ++presses.count[0x41];
    EXPECT_EQ(capture.poll(*input), ControlCapture::Status::Captured);
    EXPECT_EQ(capture.getCaptured().control, Control::key(0x41));

    capture.start(*input);
    hat.unplug();
    input->update();
    EXPECT_EQ(capture.poll(*input), ControlCapture::Status::DeviceLost);
}

} // namespace

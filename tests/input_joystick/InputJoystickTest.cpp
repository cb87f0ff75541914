#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "input/Control.h"
#include "input/ControlCapture.h"
#include "input/ControlMapping.h"
#include "input/InputHandler.h"
#include "input/InputJoystick.h"
#include "platform/JoystickDevices.h"
#include "platform/SystemClock.h"
#include "support/TestSupport.h"
#include "support/VirtualJoystick.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using testsupport::VirtualJoystick;

// Two joysticks over virtual controllers, as the input handler sets them up;
// skipped where real game controllers are attached.
class JoystickFixture : public ::testing::Test {
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

    // What the input handler does at start-up: two joysticks, enumeration,
    // set-up of those that received a device.
    void startUp()
    {
        devices = platform::JoystickDevices::create();
        ASSERT_TRUE(devices);
        first = new InputJoystick(1);
        second = new InputJoystick(2);
        ASSERT_TRUE(InputJoystick::enumerate(*devices, *first, *second));
        for (InputJoystick* joystick : {first, second})
            if (joystick->hasDevice())
                buttons[joystick] = joystick->setUp();
    }

    std::string log() const { return testsupport::readFile(scratch.path() / "output.log"); }
    // How many lines of the log contain `text`.
    std::size_t linesInLog(const std::string& text) const
    {
        const std::vector<std::string> lines = testsupport::linesOf(log());
        return static_cast<std::size_t>(std::count_if(
            lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; }));
    }

    testsupport::ScratchDir scratch;
    std::unique_ptr<platform::JoystickDevices> devices;
    InputJoystick* first = nullptr;
    InputJoystick* second = nullptr;
    std::map<const InputJoystick*, const std::uint8_t*> buttons;
};

constexpr int padButtons = 16;

class InputJoystickTest : public JoystickFixture {
protected:
    // Polls once and gives the flags the handler would see.
    std::array<std::uint8_t, padButtons> pollFlags(InputJoystick* joystick)
    {
        joystick->poll();
        std::array<std::uint8_t, padButtons> flags{};
        std::copy_n(buttons[joystick], padButtons, flags.begin());
        return flags;
    }

    static std::array<std::uint8_t, padButtons> pressedOnly(std::initializer_list<int> pressed)
    {
        std::array<std::uint8_t, padButtons> flags{};
        for (int button : pressed)
            flags[button] = 1;
        return flags;
    }
};

// One controller becomes joystick one and reads from the second poll; a
// deactivated joystick reads released until it is activated again.
TEST_F(InputJoystickTest, OneControllerReadsFromTheSecondPollWhileActive)
{
    VirtualJoystick mat("Mat A", padButtons);
    mat.setButton(13, true);
    startUp();
    EXPECT_TRUE(first->isActive());
    EXPECT_FALSE(second->hasDevice() || second->isActive());
    // The first poll acquires the device and reads nothing.
    EXPECT_EQ(pollFlags(first), pressedOnly({}));
    for (int poll = 0; poll < 5; ++poll)
        EXPECT_EQ(pollFlags(first), pressedOnly({13})) << "poll " << poll;
    mat.setButton(13, false);
    mat.setButton(3, true);
    EXPECT_EQ(pollFlags(first), pressedOnly({3}));

    second->deactivate();
    first->deactivate();
    EXPECT_FALSE(first->isActive());
    EXPECT_EQ(pollFlags(first), pressedOnly({}));
    // Activation acquires at once: the next poll reads again.
    first->activate();
    EXPECT_TRUE(first->isActive());
    EXPECT_EQ(pollFlags(first), pressedOnly({3}));
    EXPECT_NE(log().find("...InputJoystick: deactivated Joystick Nr 1 \n...InputJoystick: activated Joystick Nr 1 \n"),
              std::string::npos) << log();
    EXPECT_EQ(log().find("Joystick Nr 2"), std::string::npos);
    // The registry tears the handler (and with it the service) down before the joysticks.
    devices.reset();
    EXPECT_EQ(pollFlags(first), pressedOnly({3}));
}

// Buttons 0 to 15 and two axes scaled to +-1000 are read, whatever the controller has.
TEST_F(InputJoystickTest, ButtonsUpToFifteenAndAxesScaledToPlusMinusThousandAreRead)
{
    VirtualJoystick mat("Big Pad", 24);
    VirtualJoystick tiny("Tiny Pad", 4, 1);
    startUp();
    pollFlags(first);
    pollFlags(second);
    mat.setButton(16, true);
    mat.setButton(23, true);
    EXPECT_EQ(pollFlags(first), pressedOnly({}));
    mat.setButton(15, true);
    EXPECT_EQ(pollFlags(first), pressedOnly({15}));
    tiny.setButton(3, true);
    tiny.setAxis(0, 32767);
    EXPECT_EQ(pollFlags(second), pressedOnly({3}));
    EXPECT_EQ(second->getState().axisX, 1000);
    EXPECT_EQ(second->getState().axisY, 0);

    const std::pair<std::int16_t, std::int32_t> cases[] = {
        {-32768, -1000}, {32767, 1000}, {0, 0}, {16384, 500}, {-16384, -500}, {1, 0}};
    for (const auto& [raw, scaled] : cases) {
        mat.setAxis(0, raw);
        mat.setAxis(1, static_cast<std::int16_t>(-raw - 1));
        first->poll();
        EXPECT_EQ(first->getState().axisX, scaled) << raw;
        EXPECT_EQ(first->getState().axisY, -scaled) << raw;
    }
}

// A controller without buttons fails its set-up; a joystick without a
// controller stays inactive and released whatever it is asked, and logs nothing.
TEST_F(InputJoystickTest, ControllerWithoutButtonsOrNoneStaysInactive)
{
    VirtualJoystick pedals("Pedals", 0, 2);
    startUp();
    EXPECT_TRUE(first->hasDevice());
    EXPECT_FALSE(first->isActive());
    EXPECT_NE(log().find("...InputJoystick: unable to setdataformat \n"), std::string::npos) << log();

    EXPECT_FALSE(second->hasDevice());
    buttons[second] = second->setUp();
    second->activate();
    EXPECT_FALSE(second->isActive());
    EXPECT_EQ(pollFlags(second), pressedOnly({}));
    EXPECT_EQ(log().find("Joystick Nr 2"), std::string::npos) << log();
}

TEST_F(InputJoystickTest, UnpluggedControllerReadsReleasedAndIsPickedUpWhenItComesBack)
{
    VirtualJoystick mat("Mat A", padButtons);
    startUp();
    mat.setButton(12, true);
    pollFlags(first);
    EXPECT_EQ(pollFlags(first), pressedOnly({12}));

    mat.unplug();
    for (int poll = 0; poll < 3; ++poll)
        EXPECT_EQ(pollFlags(first), pressedOnly({}));
    EXPECT_EQ(linesInLog("...InputJoystick: lost Joystick Nr 1 "), 1u) << log();
    EXPECT_TRUE(first->isActive());

    // Back again: acquired on this poll, read on the next.
    mat.plugIn();
    mat.setButton(15, true);
    EXPECT_EQ(pollFlags(first), pressedOnly({}));
    EXPECT_EQ(linesInLog("...InputJoystick: found Joystick Nr 1 again "), 1u) << log();
    EXPECT_EQ(pollFlags(first), pressedOnly({15}));

    // A second loss is reported again.
    mat.unplug();
    pollFlags(first);
    EXPECT_EQ(linesInLog("...InputJoystick: lost Joystick Nr 1 "), 2u) << log();
}

// Of three controllers the first two are used in order; a lost one takes
// neither another model nor a controller in use, only itself when it is back.
TEST_F(InputJoystickTest, ThreeControllersAndALostOneTakesNeitherAnotherModelNorOneInUse)
{
    VirtualJoystick a("Mat A", padButtons);
    VirtualJoystick twin("Mat A", padButtons);
    VirtualJoystick stranger("Gamepad", padButtons);
    startUp();
    a.setButton(0, true);
    twin.setButton(1, true);
    stranger.setButton(2, true);
    pollFlags(first);
    pollFlags(second);
    EXPECT_EQ(pollFlags(first), pressedOnly({0}));
    EXPECT_EQ(pollFlags(second), pressedOnly({1}));

    a.unplug();
    VirtualJoystick late("Gamepad", padButtons);
    late.setButton(4, true);
    for (int poll = 0; poll < 3; ++poll) {
        EXPECT_EQ(pollFlags(first), pressedOnly({}));
        EXPECT_EQ(pollFlags(second), pressedOnly({1}));
    }
    a.plugIn();
    a.setButton(0, false);
    a.setButton(3, true);
    pollFlags(first);
    EXPECT_EQ(pollFlags(first), pressedOnly({3}));
    EXPECT_EQ(pollFlags(second), pressedOnly({1}));
}

// Between two readings the device watches the buttons on its own: a tap
// shorter than a frame is still a press and a release, each stamped with its
// moment. A loaded machine may hold the watch back past a whole tap, so one
// of three taps has to be seen in time; a missing watch or a stamp taken at
// the reading fails all.
TEST_F(InputJoystickTest, ATapBetweenReadingsCountsAtItsMoment)
{
    VirtualJoystick mat("Mat A", padButtons);
    startUp();
    pollFlags(first);
    bool seenInTime = false;
    for (int tap = 0; tap < 3 && !seenInTime; ++tap) {
        const JoystickState& state = first->getState();
        const std::uint32_t countBefore = state.pressCount[12];
        const std::uint32_t releasesBefore = state.releaseCount[12];
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::uint32_t tappedAt = platform::SystemClock::tickCount();
        mat.setButton(12, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::uint32_t liftedAt = platform::SystemClock::tickCount();
        mat.setButton(12, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        EXPECT_EQ(pollFlags(first), pressedOnly({}));
        const std::uint32_t counted = state.pressCount[12];
        const auto late = static_cast<std::int32_t>(state.pressTick[12] - tappedAt);
        const auto releaseLate = static_cast<std::int32_t>(state.releaseTick[12] - liftedAt);
        seenInTime = counted == countBefore + 1 && late >= 0 && late <= 10 && state.releaseCount[12] == releasesBefore + 1
            && releaseLate >= 0 && releaseLate <= 10;
        EXPECT_LE(counted, countBefore + 1) << "one tap, at most one press";
        EXPECT_LE(state.releaseCount[12], releasesBefore + 1) << "one tap, at most one release";
        pollFlags(first);
        EXPECT_EQ(state.pressCount[12], counted) << "the next reading counts no press";
    }
    EXPECT_TRUE(seenInTime) << "no tap counted within 10 ms of its moment";
}

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

class PadMappingTest : public JoystickFixture {
protected:
    void startUp()
    {
        JoystickFixture::startUp();
        // The first poll acquires.
        first->poll();
        second->poll();
    }

    // The lines read as the section of the joystick's player, applied to it.
    bool map(InputJoystick* joystick, const std::string& lines)
    {
        return joystick->applyMapping(ControlMapping::read(sectionOf(lines), joystick == first ? 1 : 2), *devices,
                                      joystick == first ? *second : *first);
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
};

// Garbled values are not set, each with one warning; Key entries keep their
// hexadecimal reading; only changed entries are written back.
TEST_F(PadMappingTest, ASectionIsReadWithGarbleAsNotSetAndWrittenBackByChangesOnly)
{
    const ControlMapping mapping = ControlMapping::read(
        sectionOf("KeyUp = 26\nKeyRight = 0x27\nPadUp = button 0\nPadRight = hat 0 right\nPadDown = axis 1 +\n"
                  "PadLeft = hat 9 left\nPadSlot1 = banana\nPadSlot2 =\nPadDevice = 0300abcd 2\n"),
        1);
    EXPECT_EQ(linesInLog("WARNING"), 3u);
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
    map(first, "PadUp = button 0\nPadRight = button 1\n");
    map(second, "PadLeft = hat 0 left\nPadUp = hat 0 up\n");
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
    map(first, "PadDown = axis 1 +\nPadUp = axis 1 -\nPadLeft = axis 2 -\nPadRight = axis 2 +\n");
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
    EXPECT_TRUE(map(first, "PadUp = button 0\nPadDevice = " + guid + " 2\n"));
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
    EXPECT_FALSE(map(second, "PadUp = button 5\nPadDevice = 0300000000000000000000000000abcd\n"));
    EXPECT_EQ(second->switchFor(up, 12), 12);
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

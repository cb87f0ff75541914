#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "input/InputJoystick.h"
#include "platform/JoystickDevices.h"
#include "platform/SystemClock.h"
#include "support/TestSupport.h"
#include "support/VirtualJoystick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using testsupport::VirtualJoystick;

constexpr int padButtons = 16;

class InputJoystickTest : public ::testing::Test {
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

    // Polls once and gives the flags the handler would see.
    std::array<std::uint8_t, padButtons> pollFlags(InputJoystick* joystick)
    {
        joystick->poll();
        std::array<std::uint8_t, padButtons> flags{};
        for (int button = 0; button < padButtons; ++button)
            flags[button] = buttons[joystick][button];
        return flags;
    }

    static std::array<std::uint8_t, padButtons> pressedOnly(std::initializer_list<int> pressed)
    {
        std::array<std::uint8_t, padButtons> flags{};
        for (int button : pressed)
            flags[button] = 1;
        return flags;
    }

    std::string log() const { return testsupport::readFile(scratch.path() / "output.log"); }
    std::size_t linesInLog(const std::string& line) const
    {
        const std::vector<std::string> lines = testsupport::linesOf(log());
        return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
    }

    testsupport::ScratchDir scratch;
    std::unique_ptr<platform::JoystickDevices> devices;
    InputJoystick* first = nullptr;
    InputJoystick* second = nullptr;
    std::map<const InputJoystick*, const std::uint8_t*> buttons;
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

} // namespace

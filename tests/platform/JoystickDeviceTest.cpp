#include "platform/JoystickDevice.h"
#include "platform/JoystickDevices.h"
#include "support/VirtualJoystick.h"

#include <gtest/gtest.h>

using testsupport::VirtualJoystick;

// A device reads only while acquired and attached: before acquire(), after
// unacquire() and once its controller is unplugged, the caller's reading
// stays as it was instead of taking a stale state.
TEST(JoystickDeviceTest, ReadsOnlyWhileAcquiredAndAttached)
{
    if (VirtualJoystick::attachedCount() > 0)
        GTEST_SKIP() << "real game controllers are attached";
    VirtualJoystick mat("Mat A", 4, 2);
    mat.setAxis(0, 32767);
    const auto devices = platform::JoystickDevices::create();
    ASSERT_TRUE(devices);
    const auto device = devices->createDevice(0);
    ASSERT_TRUE(device);

    platform::JoystickReading reading;
    reading.x = 77;
    EXPECT_FALSE(device->readState(reading));
    EXPECT_EQ(reading.x, 77);

    ASSERT_TRUE(device->acquire());
    EXPECT_EQ(device->poll(), platform::JoystickDevice::PollResult::Ready);
    EXPECT_TRUE(device->readState(reading));
    EXPECT_EQ(reading.x, 1000);

    device->unacquire();
    reading.x = 77;
    EXPECT_FALSE(device->readState(reading));
    EXPECT_EQ(reading.x, 77);

    ASSERT_TRUE(device->acquire());
    mat.unplug();
    EXPECT_EQ(device->poll(), platform::JoystickDevice::PollResult::Unplugged);
    EXPECT_FALSE(device->readState(reading));
    EXPECT_EQ(reading.x, 77);
}

#include "core/FrameClock.h"
#include "core/Object.h"
#include "core/ObjectRegistry.h"

#include <gtest/gtest.h>

namespace {

class FakeMainLoop : public Object, public FrameClock {
public:
    FakeMainLoop()
        : Object(true, "MainLoop")
    {
    }
    std::uint32_t getFrameDelta() const override { return 17; }
};

TEST(FrameClockTest, ReadsTheRegisteredMainLoopAndIsZeroWithoutOne)
{
    ObjectRegistry::destroy();
    EXPECT_EQ(FrameClock::frameDelta(), 0u);
    new Object(true, "MainLoop"); // a registered name that is no clock
    EXPECT_EQ(FrameClock::find(), nullptr);
    ObjectRegistry::destroy();

    FakeMainLoop loop;
    EXPECT_EQ(FrameClock::find(), &loop);
    EXPECT_EQ(FrameClock::frameDelta(), 17u);
    ObjectRegistry::destroy(); // the teardown leaves "MainLoop" to its owner
}

} // namespace

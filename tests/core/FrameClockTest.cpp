#include "core/FrameClock.h"
#include "core/Object.h"
#include "core/ObjectRegistry.h"

#include <gtest/gtest.h>

#include <memory>

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
    // A registered "MainLoop" that is no clock; the teardown leaves it to its owner.
    const auto notAClock = std::make_unique<Object>(true, "MainLoop");
    EXPECT_EQ(FrameClock::find(), nullptr);
    ObjectRegistry::destroy();

    FakeMainLoop loop;
    EXPECT_EQ(FrameClock::find(), &loop);
    EXPECT_EQ(FrameClock::frameDelta(), 17u);
    ObjectRegistry::destroy(); // the teardown leaves "MainLoop" to its owner
}

} // namespace

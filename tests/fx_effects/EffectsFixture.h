#pragma once

#include "core/FrameClock.h"
#include "core/Object.h"
#include "core/ObjectRegistry.h"
#include "platform/SimulatedClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

// Registered as "MainLoop" so that moving nodes find their frame time.
class StubFrameClock : public Object, public FrameClock {
public:
    StubFrameClock() : Object(true, "MainLoop") {}
    std::uint32_t getFrameDelta() const override { return delta; }
    std::uint32_t delta = 0;
};

// Simulated time starting at `start`, a scratch working folder and a frame
// clock. The registry teardown spares "MainLoop", so the stub goes last.
class EffectsFixture : public ::testing::Test {
protected:
    static constexpr std::uint32_t start = 50000;

    void TearDown() override
    {
        if (ObjectRegistry::exists())
            ObjectRegistry::destroy();
        frameClock.reset();
    }

    // Advances the clock and runs one update of the node, as one frame does.
    template <typename Node>
    void frame(Node& node, std::uint32_t ms)
    {
        clock.advance(ms);
        frameClock->delta = ms;
        node.update();
    }

    platform::SimulatedClock clock{start};
    testsupport::ScratchDir scratch;
    std::unique_ptr<StubFrameClock> frameClock = std::make_unique<StubFrameClock>();
};

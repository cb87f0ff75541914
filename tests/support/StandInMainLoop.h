#pragma once

#include "core/FrameClock.h"
#include "core/Object.h"

#include <cstdint>

namespace testsupport {

// Stands in for the main loop under its registry name "MainLoop": moving
// things read the frame delta from it, which a test sets by hand. The
// registry's teardown spares the name, so the test owns it.
class StandInMainLoop : public Object, public FrameClock {
public:
    StandInMainLoop() : Object(true, "MainLoop") {}
    std::uint32_t getFrameDelta() const override { return delta; }
    std::uint32_t delta = 0;
};

} // namespace testsupport

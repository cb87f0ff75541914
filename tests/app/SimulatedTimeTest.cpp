#include "app/SimulatedTime.h"

#include <gtest/gtest.h>

#include <cstdlib>

// The simulated clock takes 1 to 1000 frames per second; any other value
// leaves the game on the real clock.
TEST(SimulatedTime, TakesOneToAThousandFramesPerSecond)
{
    for (const auto& [value, simulated] :
        {std::pair{"1", true}, {"1000", true}, {"0", false}, {"1001", false}, {"", false}}) {
        setenv("FLAREVOX_SIMULATED_FPS", value, 1);
        EXPECT_EQ(SimulatedTime::fromEnvironment() != nullptr, simulated) << value;
    }
    unsetenv("FLAREVOX_SIMULATED_FPS");
}

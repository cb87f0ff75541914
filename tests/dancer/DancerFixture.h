#pragma once

#include "core/ObjectRegistry.h"
#include "core/Win32Timer.h"
#include "platform/SimulatedClock.h"
#include "scene/Dancer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

// The draws a seed gives, taken ahead of the dancer so tests can tell which
// events must come out special; the generator is left seeded with it.
inline std::vector<int> drawsFor(unsigned seed, std::size_t count)
{
    std::srand(seed);
    std::vector<int> draws(count);
    for (int& draw : draws)
        draw = std::rand() % Dancer::specialOdds;
    std::srand(seed);
    return draws;
}

// Seeds the generator so that its first draw picks the special move only if
// `special`, and none of the `draws` after it does.
inline void seedSpecial(bool special, std::size_t draws = 0)
{
    for (unsigned seed = 1;; ++seed) {
        const std::vector<int> first = drawsFor(seed, draws + 1);
        if ((first[0] == 1) == special && std::find(first.begin() + 1, first.end(), 1) == first.end())
            return;
    }
}

// A scratch working folder that sees the forged game data, a simulated tick
// count, and dancers whose animation clock follows that tick count.
class DancerFixture : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (ObjectRegistry::exists())
            ObjectRegistry::destroy();
    }

    void linkGameData() const
    {
        std::filesystem::create_directory_symlink(std::filesystem::path(FLAREVOX_RUN_DIR) / "Data",
            scratch.path() / "Data");
    }

    static std::unique_ptr<Dancer> makeDancer()
    {
        return std::make_unique<Dancer>(std::make_unique<Win32Timer>(Win32Timer::Mode::Milliseconds));
    }

    testsupport::ScratchDir scratch;
    platform::SimulatedClock clock{100000};
};

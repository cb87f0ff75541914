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
#include <tuple>
#include <utility>
#include <vector>

namespace {

// The draws a seed gives, taken ahead of the dancer so tests can tell which
// events must come out special; the generator is left seeded with it.
std::vector<int> drawsFor(unsigned seed, std::size_t count)
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
void seedSpecial(bool special, std::size_t draws = 0)
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

using Range = std::pair<int, int>;

Range rangeOf(const Dancer& dancer)
{
    return {dancer.getModel().firstFrame(), dancer.getModel().lastFrame()};
}

class DancerEvents : public DancerFixture {
protected:
    void SetUp() override
    {
        linkGameData();
        dancer = makeDancer();
        ASSERT_TRUE(dancer->isModelLoaded());
    }

    std::unique_ptr<Dancer> dancer;
};

} // namespace

// Due strictly after its tick, also across the tick counter's wrap.
TEST_F(DancerEvents, AnEventIsDueOnlyAfterItsTick)
{
    // the event's tick, the tick count at the update, whether it is due
    const std::tuple<std::uint32_t, std::uint32_t, bool> cases[] = {
        {100000, 100000, false}, {100000, 100001, true}, {0xFFFFFFF0u, 5, true}, {10, 0xFFFFFFF0u, false}, {10, 11, true}};
    for (const auto& [tick, now, due] : cases) {
        seedSpecial(false);
        dancer = makeDancer();
        clock.set(now);
        dancer->addEvent(tick, '4');
        dancer->update();
        EXPECT_EQ(rangeOf(*dancer), due ? Range(40, 80) : Range(0, 40)) << tick << " at " << now;
    }
}

// Every due event draws one number; a draw of 1 turns any of the four
// directions into the special move; other characters use up their draw
// without a move.
TEST_F(DancerEvents, SpecialMoveComesFromTheSeededDraw)
{
    const std::vector<char> steps = {'8', '4', '2', '6', '0'};
    constexpr std::size_t events = 500;
    const std::vector<int> draws = drawsFor(20250101u, events);
    ASSERT_GT(std::ranges::count(draws, 1), 0);
    const Range special(160, 260);
    Range previous = rangeOf(*dancer);
    for (std::size_t i = 0; i < events; ++i) {
        const char step = steps[i % steps.size()];
        dancer->addEvent(clock.now() - 1, step);
        dancer->update();
        const Range range = rangeOf(*dancer);
        if (step == '0')
            EXPECT_EQ(range, previous) << i;
        else
            EXPECT_EQ(range == special, draws[i] == 1) << i;
        previous = range;
    }
}

#include "DancerFixture.h"

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

namespace {

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

TEST_F(DancerEvents, HandlesOneDueEventPerUpdateInQueueOrder)
{
    seedSpecial(false, 7);
    const std::uint32_t now = clock.now();
    dancer->addEvent(now - 10, '4');
    dancer->addEvent(now + 500, '8'); // not due: skipped, stays queued
    dancer->addEvent(now - 10, '2');
    dancer->addEvent(now - 50, '8'); // older tick, but queued later
    for (const Range& range : {Range(40, 80), Range(80, 120), Range(0, 40), Range(0, 40)}) {
        dancer->update();
        EXPECT_EQ(rangeOf(*dancer), range);
    }
    EXPECT_EQ(dancer->pendingEvents(), 1u);
    clock.advance(501);
    dancer->update();
    EXPECT_EQ(dancer->pendingEvents(), 0u);
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

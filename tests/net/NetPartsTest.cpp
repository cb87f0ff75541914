#include "net/ClockSync.h"
#include "net/LogThrottle.h"
#include "net/NetProtocol.h"
#include "net/RateLimiter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

using namespace net;

TEST(RateLimiter, AllowsTheBurstThenTheRate)
{
    RateLimiter limiter(100.0, 3.0); // one event per 10 ms
    struct Step {
        std::int64_t atUs;
        bool allowed;
    };
    const std::vector<Step> steps{{0, true}, {0, true}, {0, true}, {0, false}, {5000, false}, {10000, true},
        {10000, false}, {1000000, true}, {1000000, true}, {1000000, true}, {1000000, false},
        {500000, false}}; // a clock that steps back refills nothing
    for (std::size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(limiter.allow(steps[i].atUs), steps[i].allowed) << "step " << i;
}

TEST(LogThrottle, OneLinePerKindPerIntervalAndCountsTheRest)
{
    LogThrottle throttle(2, 1000000);
    std::uint64_t held = 99;
    EXPECT_TRUE(throttle.allow(0, 0, held));
    EXPECT_EQ(held, 0u);
    EXPECT_FALSE(throttle.allow(0, 500000, held));
    EXPECT_FALSE(throttle.allow(0, 999999, held));
    EXPECT_TRUE(throttle.allow(1, 999999, held)) << "another kind has its own budget";
    EXPECT_TRUE(throttle.allow(0, 1000000, held));
    EXPECT_EQ(held, 2u);
    EXPECT_FALSE(throttle.allow(2, 0, held)) << "unknown kind";
}

TEST(ClockSync, TheQuickestTripEachWayBoundTheOffset)
{
    // The peer's clock is 5 s ahead. Each exchange: forward and backward trip
    // and the time the peer took to answer, in microseconds.
    constexpr std::int64_t peerAhead = 5000000;
    struct Exchange {
        std::int64_t forward;
        std::int64_t back;
        std::int64_t answer;
    };
    const std::vector<Exchange> exchanges{{40000, 2000, 100}, {900, 1100, 5000}, {3000, 3000, 0}, {20000, 500, 0}};
    ClockSync sync;
    std::int64_t local = 1000000;
    for (const Exchange& e : exchanges) {
        const std::int64_t peerReceived = local + e.forward + peerAhead;
        EXPECT_TRUE(sync.addExchange(local, peerReceived, peerReceived + e.answer,
            local + e.forward + e.answer + e.back));
        local += 100000;
    }
    ASSERT_TRUE(sync.best());
    EXPECT_EQ(sync.exchanges(), 4);
    EXPECT_EQ(sync.best()->roundTripUs, 2000) << "the least of one exchange";
    // Half the difference of the quickest trip there (900, the second
    // exchange) and back (500, the fourth): (900 - 500) / 2.
    EXPECT_EQ(sync.best()->offsetUs, peerAhead + 200);
    EXPECT_EQ(sync.fromPeer(sync.toPeer(777)), 777);
    sync.reset();
    EXPECT_FALSE(sync.best());
    EXPECT_TRUE(sync.addExchange(0, peerAhead + 3000, peerAhead + 3000, 9000));
    EXPECT_EQ(sync.best()->offsetUs, peerAhead - 1500) << "nothing of before the reset";
}

// Trips of 80 ms with 10 ms of jitter either way, each drawn on its own: a
// session's exchanges before the clocks agree put the two machines' starts
// within 2 ms of each other, where the single quickest exchange often misses.
TEST(ClockSync, UnderJitterTheAgreedExchangesKeepTheOffsetWithinTwoMs)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<std::int64_t> trip(70000, 90000);
    constexpr int runs = 500;
    int missed = 0;
    for (int run = 0; run < runs; ++run) {
        ClockSync sync;
        const std::int64_t peerAhead = trip(random) * 1000;
        for (std::int64_t local = 0; sync.exchanges() < syncExchanges; local += syncPingIntervalUs) {
            const std::int64_t forward = trip(random);
            const std::int64_t back = trip(random);
            sync.addExchange(local, local + forward + peerAhead, local + forward + peerAhead, local + forward + back);
        }
        missed += std::abs(sync.best()->offsetUs - peerAhead) > 2000 ? 1 : 0;
    }
    EXPECT_LE(missed, runs / 100);
}

TEST(ClockSync, ImpossibleExchangesTeachNothing)
{
    ClockSync sync;
    EXPECT_FALSE(sync.addExchange(100, 50, 60, 90)) << "answer before the ping";
    EXPECT_FALSE(sync.addExchange(100, 500, 400, 200)) << "peer replied before receiving";
    EXPECT_FALSE(sync.addExchange(100, 500, 800, 200)) << "peer took longer than the round trip";
    EXPECT_FALSE(sync.best());
    EXPECT_EQ(sync.exchanges(), 0);
}

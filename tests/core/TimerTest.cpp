#include "core/Win32Timer.h"
#include "platform/SimulatedClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

namespace {

// The tick counter wraps while the timer runs.
class MillisecondTimerTest : public ::testing::Test {
protected:
    platform::SimulatedClock clock{0xFFFFFF80u};
    Win32Timer timer{Win32Timer::Mode::Milliseconds};
};

// Pauses nest and skip the paused span; a reset while paused keeps the
// frozen reading, a reset while running starts again from 0.
TEST_F(MillisecondTimerTest, PauseNestsAndResetWhilePausedKeepsTheReadingAcrossTheWrap)
{
    clock.advance(100);
    timer.pause();
    timer.pause();
    clock.advance(500);
    timer.resume();
    timer.reset();
    clock.advance(500);
    EXPECT_EQ(timer.getTime(), 100.0);
    timer.resume();
    clock.advance(30);
    EXPECT_EQ(timer.getTime(), 130.0);
    timer.reset();
    EXPECT_EQ(timer.getTime(), 0.0);
}

TEST(TimerListTest, PauseAllReachesEveryLiveTimerAfterOneIsDestroyed)
{
    platform::SimulatedClock clock;
    auto a = std::make_unique<Win32Timer>(Win32Timer::Mode::Milliseconds);
    auto b = std::make_unique<Win32Timer>(Win32Timer::Mode::Milliseconds);
    auto c = std::make_unique<Win32Timer>(Win32Timer::Mode::Milliseconds);
    b.reset();
    for (const bool paused : {true, false}) {
        paused ? Timer::pauseAll() : Timer::resumeAll();
        EXPECT_EQ(std::pair(a->isPaused(), c->isPaused()), std::pair(paused, paused));
    }
}

// The counter mode the game's models run on, against the real clock: finer
// than a millisecond; a paused timer holds its reading exactly (reset too)
// and resumes from it; a reset while running starts again from 0.
TEST(CounterTimerTest, PauseResumeAndResetFollowTheRealClock)
{
    using Clock = std::chrono::steady_clock;
    const auto msSince = [](Clock::time_point start) {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    const auto sleep = [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); };
    const std::unique_ptr<Timer> timer(Timer::create());
    sleep();
    EXPECT_GE(timer->getTime(), 20.0);

    timer->pause();
    timer->pause();
    const double frozen = timer->getTime();
    sleep();
    timer->resume();
    EXPECT_EQ(timer->getTime(), frozen) << "still paused once";
    timer->reset();
    EXPECT_EQ(timer->getTime(), frozen) << "a reset while paused keeps the reading";

    const Clock::time_point resumed = Clock::now();
    timer->resume();
    sleep();
    const double running = timer->getTime();
    EXPECT_GE(running, frozen + 20.0);
    EXPECT_LE(running, frozen + msSince(resumed) + 0.01);
    EXPECT_NE(running, std::floor(running)) << "whole milliseconds only";

    const Clock::time_point restarted = Clock::now();
    timer->reset();
    const double fresh = timer->getTime();
    EXPECT_GE(fresh, 0.0);
    EXPECT_LE(fresh, msSince(restarted) + 0.01);
}

} // namespace

// Made in simulated time, the counter follows the simulated clock only (also
// across the tick counter's wrap), so animations draw the same frames in
// every run.
TEST(CounterTimerTest, MadeInSimulatedTimeCountsSimulatedMilliseconds)
{
    platform::SimulatedClock clock{0xFFFFFFF0u};
    Win32Timer timer;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(timer.getTime(), 0.0);
    clock.advance(40);
    EXPECT_NEAR(timer.getTime(), 40.0, 1e-3);
    timer.pause();
    clock.advance(100);
    timer.resume();
    clock.advance(10);
    EXPECT_NEAR(timer.getTime(), 50.0, 1e-3);
}

#include "core/Win32Timer.h"
#include "platform/SimulatedClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

namespace {

// In simulated time both modes count simulated milliseconds only, across the
// tick counter's wrap, so animations draw the same frames in every run.
// Pauses nest and skip the paused span; a reset while paused keeps the
// frozen reading, a reset while running starts again from 0.
TEST(SimulatedTimerTest, PauseNestsAndResetWhilePausedKeepsTheReadingAcrossTheWrap)
{
    for (const auto mode : {Win32Timer::Mode::Milliseconds, Win32Timer::Mode::Counter}) {
        SCOPED_TRACE(mode == Win32Timer::Mode::Counter ? "counter" : "milliseconds");
        platform::SimulatedClock clock{0xFFFFFF80u};
        Win32Timer timer{mode};
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(timer.getTime(), 0.0);
        clock.advance(100);
        timer.pause();
        timer.pause();
        clock.advance(500);
        timer.resume();
        timer.reset();
        clock.advance(500);
        EXPECT_NEAR(timer.getTime(), 100.0, 1e-3);
        timer.resume();
        clock.advance(30);
        EXPECT_NEAR(timer.getTime(), 130.0, 1e-3);
        timer.reset();
        EXPECT_NEAR(timer.getTime(), 0.0, 1e-3);
    }
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
// than a millisecond; a paused timer holds its reading exactly and resumes
// from it; a reset while running starts again from 0.
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
    const double frozen = timer->getTime();
    sleep();
    EXPECT_EQ(timer->getTime(), frozen);

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

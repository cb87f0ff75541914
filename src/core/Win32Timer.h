#pragma once

#include "core/Timer.h"

#include <cstdint>

// The timer implementation: a high-resolution counter (std::chrono's steady
// clock) or, as a fallback, the whole-millisecond system tick count. A
// counter timer made while the system clock is simulated counts simulated
// milliseconds.
class Win32Timer : public Timer {
public:
    enum class Mode { Counter, Milliseconds };

    explicit Win32Timer(Mode mode = Mode::Counter);

    void reset() override;
    double getTime() override;
    void pause() override;
    void resume() override;

    bool isPaused() const { return m_pauseCount > 0; }

private:
    std::int64_t counterReading() const;

    std::int64_t frequency = 0;
    float msPerCount = 0.0f;
    std::uint32_t startTime = 0;
    std::int64_t startCounter = 0;
    bool usePerformanceCounter = false;
    bool simulated = false;
    std::uint32_t simulatedOrigin = 0;
    int m_pauseCount = 0;
    double pausedTime = 0.0;
};

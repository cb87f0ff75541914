#pragma once

// Elapsed milliseconds since the last reset, pausable with nesting. Every live
// timer is in one process-wide list so all can be paused and resumed together.
class Timer {
public:
    // The factory: a new, running Win32Timer.
    static Timer* create();

    static void pauseAll();
    static void resumeAll();

    virtual ~Timer();
    virtual void reset() = 0;
    virtual double getTime() = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;

    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

protected:
    Timer();
};

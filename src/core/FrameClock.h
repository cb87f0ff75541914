#pragma once

#include <cstdint>

// What moving things need from the main loop: the milliseconds between the
// last two frame updates. The main loop derives from this; nodes reach it
// through the registry name "MainLoop" without knowing the main loop itself.
class FrameClock {
public:
    virtual ~FrameClock() = default;
    virtual std::uint32_t getFrameDelta() const = 0;

    // The registered "MainLoop" as a frame clock, or null when there is none.
    static FrameClock* find();
    // Its frame delta, or 0 without a main loop.
    static std::uint32_t frameDelta();
};

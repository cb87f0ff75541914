#pragma once

#include <cstdint>

struct KeyPresses;

// A key held down on a screen steps again and again: once when it goes down,
// then after a pause every `slowEveryMs`, and once it has been held a while
// every `fastEveryMs`. Counted from the input handler's press and release
// records, so a frame rate does not change how often it steps.
class KeyRepeat {
public:
    static constexpr std::uint32_t firstRepeatMs = 400;
    static constexpr std::uint32_t slowEveryMs = 80;
    static constexpr std::uint32_t fastAfterMs = 1500;
    static constexpr std::uint32_t fastEveryMs = 16;

    explicit KeyRepeat(std::uint8_t code) : code(code) {}

    // The steps due at `now`: the key's new presses, and its repeats while held.
    int stepsAt(const KeyPresses& presses, std::uint32_t now);
    // Presses before now are not counted.
    void reset(const KeyPresses& presses);

    // Repeats a key held from `downTick` has made by `now`.
    static std::uint32_t repeatsBy(std::uint32_t downTick, std::uint32_t now);

private:
    std::uint8_t code;
    std::uint32_t seenPresses = 0;
    std::uint32_t repeatsDone = 0;
};

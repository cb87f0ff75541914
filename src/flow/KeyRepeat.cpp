#include "flow/KeyRepeat.h"

#include "input/KeyPresses.h"

#include <algorithm>

std::uint32_t KeyRepeat::repeatsBy(std::uint32_t downTick, std::uint32_t now)
{
    const std::uint32_t held = now - downTick;
    if (held < firstRepeatMs)
        return 0;
    if (held < fastAfterMs)
        return 1 + (held - firstRepeatMs) / slowEveryMs;
    return 1 + (fastAfterMs - firstRepeatMs) / slowEveryMs + (held - fastAfterMs) / fastEveryMs;
}

int KeyRepeat::stepsAt(const KeyPresses& presses, std::uint32_t now)
{
    const std::uint32_t newPresses = presses.count[code] - seenPresses;
    seenPresses = presses.count[code];
    if (newPresses > 0)
        repeatsDone = 0;
    const bool held = presses.count[code] != presses.releaseCount[code];
    if (!held)
        return static_cast<int>(newPresses);
    const std::uint32_t repeats = repeatsBy(presses.tick[code], now);
    const std::uint32_t due = repeats - std::min(repeats, repeatsDone);
    repeatsDone = std::max(repeats, repeatsDone);
    return static_cast<int>(newPresses + due);
}

void KeyRepeat::reset(const KeyPresses& presses)
{
    seenPresses = presses.count[code];
    repeatsDone = 0;
}

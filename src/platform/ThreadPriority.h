#pragma once

namespace platform {

// Background work that must not take a frame's time: the calling thread
// runs at a low priority (nice 10), so that the game's own threads go first
// whenever both want a core, yet it still gets on when the machine is busy.
class ThreadPriority {
public:
    static void lowerCurrent();
};

} // namespace platform

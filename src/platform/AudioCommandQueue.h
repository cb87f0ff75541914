#pragma once

#include "platform/AudioCommand.h"

#include <atomic>
#include <cstddef>
#include <vector>

namespace platform {

// A fixed-capacity single-producer, single-consumer queue of commands: the game
// thread pushes, the audio callback pops. Neither side waits or allocates.
class AudioCommandQueue {
public:
    explicit AudioCommandQueue(std::size_t capacity);

    // Producer side: false, and nothing queued, when the queue is full.
    bool push(const AudioCommand& command);
    // Consumer side: false when the queue is empty.
    bool pop(AudioCommand& command);

    std::size_t size() const;
    std::size_t capacity() const { return slots.size(); }

private:
    std::vector<AudioCommand> slots;
    // Commands pushed and popped so far; their difference is the fill.
    std::atomic<std::size_t> pushed{0};
    std::atomic<std::size_t> popped{0};
};

} // namespace platform

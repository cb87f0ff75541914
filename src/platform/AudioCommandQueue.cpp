#include "platform/AudioCommandQueue.h"

#include <algorithm>

namespace platform {

AudioCommandQueue::AudioCommandQueue(std::size_t capacity)
    : slots(std::max<std::size_t>(capacity, 1))
{
}

bool AudioCommandQueue::push(const AudioCommand& command)
{
    const std::size_t head = pushed.load(std::memory_order_relaxed);
    if (head - popped.load(std::memory_order_acquire) >= slots.size())
        return false;
    slots[head % slots.size()] = command;
    pushed.store(head + 1, std::memory_order_release);
    return true;
}

bool AudioCommandQueue::pop(AudioCommand& command)
{
    const std::size_t tail = popped.load(std::memory_order_relaxed);
    if (pushed.load(std::memory_order_acquire) == tail)
        return false;
    command = slots[tail % slots.size()];
    popped.store(tail + 1, std::memory_order_release);
    return true;
}

std::size_t AudioCommandQueue::size() const
{
    return pushed.load(std::memory_order_acquire) - popped.load(std::memory_order_acquire);
}

} // namespace platform

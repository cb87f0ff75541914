#include "net/LogThrottle.h"

namespace net {

bool LogThrottle::allow(std::size_t kind, std::int64_t nowUs, std::uint64_t& suppressed)
{
    if (kind >= slots.size())
        return false;
    Slot& slot = slots[kind];
    if (slot.written && nowUs - slot.lastUs < intervalUs) {
        ++slot.held;
        return false;
    }
    suppressed = slot.held;
    slot = {true, nowUs, 0};
    return true;
}

std::uint64_t LogThrottle::takeHeld(std::size_t kind, std::int64_t nowUs)
{
    if (kind >= slots.size())
        return 0;
    Slot& slot = slots[kind];
    if (slot.held == 0 || nowUs - slot.lastUs < intervalUs)
        return 0;
    const std::uint64_t held = slot.held;
    slot = {true, nowUs, 0};
    return held;
}

} // namespace net

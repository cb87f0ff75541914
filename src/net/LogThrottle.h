#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace net {

// Lets one log line per kind through per interval, and counts the ones it
// held back so that the next line can say how many there were.
class LogThrottle {
public:
    LogThrottle(std::size_t kinds, std::int64_t intervalUs) : slots(kinds), intervalUs(intervalUs) {}

    // True when a line of this kind may be written now; `suppressed` is then
    // the number held back since the last line of the kind.
    bool allow(std::size_t kind, std::int64_t nowUs, std::uint64_t& suppressed);
    // Once the interval after a kind's last line is over, the number held
    // back since (and 0 until then, or when there were none): a line can
    // say so even when no further line of the kind comes.
    std::uint64_t takeHeld(std::size_t kind, std::int64_t nowUs);

private:
    struct Slot {
        bool written = false;
        std::int64_t lastUs = 0;
        std::uint64_t held = 0;
    };
    std::vector<Slot> slots;
    std::int64_t intervalUs;
};

} // namespace net

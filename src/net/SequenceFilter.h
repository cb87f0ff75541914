#pragma once

#include <cstdint>

namespace net {

// Takes a peer's messages only in rising sequence order: a number at or
// below the last one taken is a duplicate or came out of order.
class SequenceFilter {
public:
    bool accept(std::uint32_t sequence);
    void reset() { last = 0; }

private:
    std::uint32_t last = 0;
};

} // namespace net

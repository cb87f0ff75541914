#include "net/SequenceFilter.h"

namespace net {

bool SequenceFilter::accept(std::uint32_t sequence)
{
    if (sequence <= last)
        return false;
    last = sequence;
    return true;
}

} // namespace net

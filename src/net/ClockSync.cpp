#include "net/ClockSync.h"

namespace net {

bool ClockSync::addExchange(std::int64_t sentUs, std::int64_t peerReceivedUs, std::int64_t peerRepliedUs,
    std::int64_t receivedUs)
{
    const std::int64_t roundTrip = (receivedUs - sentUs) - (peerRepliedUs - peerReceivedUs);
    if (receivedUs < sentUs || peerRepliedUs < peerReceivedUs || roundTrip < 0)
        return false;
    const std::int64_t offset = ((peerReceivedUs - sentUs) + (peerRepliedUs - receivedUs)) / 2;
    ++count;
    if (!bestEstimate || roundTrip < bestEstimate->roundTripUs)
        bestEstimate = Estimate{offset, roundTrip};
    return true;
}

void ClockSync::reset()
{
    bestEstimate.reset();
    count = 0;
}

std::int64_t ClockSync::toPeer(std::int64_t localUs) const
{
    return localUs + (bestEstimate ? bestEstimate->offsetUs : 0);
}

std::int64_t ClockSync::fromPeer(std::int64_t peerUs) const
{
    return peerUs - (bestEstimate ? bestEstimate->offsetUs : 0);
}

} // namespace net

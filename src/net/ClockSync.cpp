#include "net/ClockSync.h"

#include <algorithm>

namespace net {

bool ClockSync::addExchange(std::int64_t sentUs, std::int64_t peerReceivedUs, std::int64_t peerRepliedUs,
    std::int64_t receivedUs)
{
    const std::int64_t roundTrip = (receivedUs - sentUs) - (peerRepliedUs - peerReceivedUs);
    if (receivedUs < sentUs || peerRepliedUs < peerReceivedUs || roundTrip < 0)
        return false;
    const std::int64_t there = peerReceivedUs - sentUs;
    const std::int64_t back = receivedUs - peerRepliedUs;
    leastThereUs = count == 0 ? there : std::min(leastThereUs, there);
    leastBackUs = count == 0 ? back : std::min(leastBackUs, back);
    ++count;
    const std::int64_t offset = (leastThereUs - leastBackUs) / 2;
    const std::int64_t leastRoundTrip = bestEstimate ? std::min(bestEstimate->roundTripUs, roundTrip) : roundTrip;
    bestEstimate = Estimate{offset, leastRoundTrip};
    return true;
}

void ClockSync::reset()
{
    bestEstimate.reset();
    leastThereUs = leastBackUs = 0;
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

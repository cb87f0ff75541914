#pragma once

#include <cstdint>
#include <optional>

namespace net {

// Estimates how far the peer's steady clock is ahead of ours from ping
// exchanges. Each exchange gives the offset assuming the ping and its answer
// took equally long; the error of that guess is at most half the exchange's
// round trip, so the exchange with the least round trip wins.
class ClockSync {
public:
    struct Estimate {
        std::int64_t offsetUs = 0;    // peer clock minus local clock
        std::int64_t roundTripUs = 0; // of the exchange it came from
    };

    // One exchange: ping sent (local), received and answered (peer), answer
    // received (local). False, and nothing learnt, for times that cannot be.
    bool addExchange(std::int64_t sentUs, std::int64_t peerReceivedUs, std::int64_t peerRepliedUs,
        std::int64_t receivedUs);
    void reset();

    int exchanges() const { return count; }
    const std::optional<Estimate>& best() const { return bestEstimate; }

    // A local moment in the peer's clock, and back; only with an estimate.
    std::int64_t toPeer(std::int64_t localUs) const;
    std::int64_t fromPeer(std::int64_t peerUs) const;

private:
    std::optional<Estimate> bestEstimate;
    int count = 0;
};

} // namespace net

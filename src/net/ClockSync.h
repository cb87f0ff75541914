#pragma once

#include <cstdint>
#include <optional>

namespace net {

// Estimates how far the peer's steady clock is ahead of ours from ping
// exchanges. A ping's trip there takes no less than nothing, so the peer's
// reading less our sending time is the offset plus that trip, and the answer's
// trip back likewise: the least of each, taken over all exchanges, bound the
// offset from both sides, and the estimate is the middle of those bounds.
// Its error is at most half the least round trip, and where the trips' times
// jitter, the least trip each way comes from many exchanges, not from the one
// that happened to be quickest both ways.
class ClockSync {
public:
    struct Estimate {
        std::int64_t offsetUs = 0;    // peer clock minus local clock
        std::int64_t roundTripUs = 0; // the least of one exchange
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
    std::int64_t leastThereUs = 0; // offset plus the quickest trip there
    std::int64_t leastBackUs = 0;  // the quickest trip back less the offset
    int count = 0;
};

} // namespace net

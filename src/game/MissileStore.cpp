#include "game/MissileStore.h"

namespace {

constexpr std::uint16_t everyThreshold = (1u << MissileStore::thresholdCount) - 1;
constexpr std::uint8_t everySlot = (1u << MissileStore::slotCount) - 1;

std::size_t indexOf(int player)
{
    return static_cast<std::size_t>(player - 1);
}

} // namespace

std::vector<MissileStore::Award> MissileStore::awardReached(std::uint32_t player1Points, std::uint32_t player2Points)
{
    const std::array<std::uint32_t, playerCount> points{player1Points, player2Points};
    std::vector<Award> awards;
    for (std::size_t t = 0; t < thresholds.size(); ++t) {
        for (int player = 1; player <= playerCount; ++player) {
            const bool asked = onlyPlayer == 0 || onlyPlayer == player;
            if (asked && !isAwarded(t) && points[indexOf(player)] >= thresholds[t]) {
                awarded[indexOf(player)] |= static_cast<std::uint16_t>(1u << t);
                const int slot = freeSlot(player);
                fill(player, slot);
                awards.push_back({player, slot});
            }
        }
    }
    return awards;
}

void MissileStore::adopt(int player, std::uint16_t thresholdBits, std::uint8_t slotBits)
{
    if (!validPlayer(player))
        return;
    awarded[indexOf(player)] = thresholdBits & everyThreshold;
    stored[indexOf(player)] = slotBits & everySlot;
}

void MissileStore::fill(int player, int slot)
{
    if (validPlayer(player) && validSlot(slot))
        stored[indexOf(player)] |= static_cast<std::uint8_t>(1u << slot);
}

void MissileStore::empty(int player, int slot)
{
    if (validPlayer(player) && validSlot(slot))
        stored[indexOf(player)] &= static_cast<std::uint8_t>(~(1u << slot));
}

void MissileStore::clear()
{
    awarded = {};
    stored = {};
}

std::uint16_t MissileStore::awardedTo(int player) const
{
    return validPlayer(player) ? awarded[indexOf(player)] : 0;
}

std::uint8_t MissileStore::storedBy(int player) const
{
    return validPlayer(player) ? stored[indexOf(player)] : 0;
}

bool MissileStore::isAwarded(std::size_t threshold) const
{
    return threshold < thresholdCount && ((awarded[0] | awarded[1]) & (1u << threshold)) != 0;
}

bool MissileStore::isStored(int player, int slot) const
{
    return validSlot(slot) && (storedBy(player) & (1u << slot)) != 0;
}

int MissileStore::freeSlot(int player) const
{
    for (int slot = 0; slot < slotCount; ++slot) {
        if (!isStored(player, slot))
            return slot;
    }
    return slotCount - 1;
}

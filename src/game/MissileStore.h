#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Who has been awarded each point threshold, and which of each player's
// slots hold a missile. The first player to reach a threshold is awarded a
// missile for it. In a battle across two machines each machine awards only
// its own player and takes the other player's thresholds and slots as that
// player's machine tells them, so both machines agree on both stores.
class MissileStore {
public:
    static constexpr int playerCount = 2;
    static constexpr int slotCount = 4;
    static constexpr std::size_t thresholdCount = 4;
    using Thresholds = std::array<std::uint32_t, thresholdCount>;
    static constexpr Thresholds thresholds{5000, 12000, 20000, 30000};

    struct Award {
        int player;
        int slot;
    };

    // Only this player (1 or 2) is awarded from points from now on; 0 for both.
    void awardOnly(int player) { onlyPlayer = player; }
    // Awards every threshold nobody has that a total has reached, player 1
    // asked first, so a threshold both reach at once goes to player 1. Each
    // award fills the player's first free slot (the last when all are full).
    std::vector<Award> awardReached(std::uint32_t player1Points, std::uint32_t player2Points);
    // The player's own machine says which thresholds the player has been
    // awarded and which slots hold a missile (bit n for threshold or slot n).
    void adopt(int player, std::uint16_t thresholdBits, std::uint8_t slotBits);
    void fill(int player, int slot);
    void empty(int player, int slot);
    // Back to the start of a round: nothing awarded, every slot empty.
    void clear();

    std::uint16_t awardedTo(int player) const;
    std::uint8_t storedBy(int player) const;
    bool isAwarded(std::size_t threshold) const;
    bool isStored(int player, int slot) const;

    static bool validPlayer(int player) { return player >= 1 && player <= playerCount; }
    static bool validSlot(int slot) { return slot >= 0 && slot < slotCount; }

private:
    int freeSlot(int player) const;

    int onlyPlayer = 0;
    std::array<std::uint16_t, playerCount> awarded{};
    std::array<std::uint8_t, playerCount> stored{};
};

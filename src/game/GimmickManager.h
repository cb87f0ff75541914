#pragma once

#include "core/Object.h"
#include "game/MissileStore.h"
#include "library/RecordedRound.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class Gimmick;
class Missile;

// Awards, stores and fires the gimmicks. The first player to reach a point
// threshold is awarded a missile into the first free of four slots; the slot
// keys fire it. Registered as "GimmickManager"; one per process.
class GimmickManager : public Object {
public:
    static constexpr int playerCount = 2;
    static constexpr int slotCount = 4;
    static constexpr std::uint8_t missileType = 0;
    // Slot keys do nothing before the song clock passes this.
    static constexpr std::uint32_t keyGuardMs = 100;
    using SlotRow = std::array<Gimmick*, slotCount>;

    // The process-wide manager, created on first call and again after a
    // registry teardown destroyed the previous one.
    static GimmickManager* instance();
    ~GimmickManager() override;

    bool init() { return true; }
    // Back to the state of start-up for another round: every gimmick, armed
    // or in flight, is retired and forgotten, the slots are empty, every
    // threshold can be awarded again and every goal marker is shown to both
    // players again.
    void newRound();
    // Awards the thresholds the players' points have reached this frame.
    void update();
    // Awards every threshold not yet awarded that a total has reached; player 1
    // is asked first, so a threshold both reach in one frame goes to player 1.
    void awardReached(std::uint32_t player1Points, std::uint32_t player2Points);
    // Across two machines only this player (1 or 2) is awarded here; 0: both.
    void awardOnly(int player) { store.awardOnly(player); }
    // The other machine's word for its player: the thresholds awarded and the
    // slots holding a missile. Slots it names get a missile, the others are
    // emptied.
    void adoptStore(int player, std::uint16_t thresholdBits, std::uint8_t slotBits);
    const MissileStore& getStore() const { return store; }

    // Places a gimmick into the player's first free slot (slot 3 when all are
    // full) and returns that slot; -1 for a player other than 1 or 2.
    std::int8_t award(std::int8_t player, std::uint8_t type);
    // False for a slot outside 0 to 3 or an unknown player.
    bool place(std::int8_t player, std::uint8_t type, std::int8_t slot);
    // Fires and empties the slot; false when it is empty or out of range.
    bool launch(std::int8_t player, std::int8_t slot);
    // Told of every gimmick that a slot key fired off (a network battle
    // tells the other machine of its player's).
    using LaunchListener = std::function<void(int player, int slot, Gimmick& gimmick)>;
    void setLaunchListener(LaunchListener listener) { launchListener = std::move(listener); }
    // Told of every missile fired (Sent, with its lane), caught by a press,
    // or exploding with the lane it blocks and for how long: the round's
    // record keeps them.
    using MissileListener
        = std::function<void(int player, int lane, library::RoundMissile::Kind kind, std::uint32_t blockMs)>;
    void setMissileListener(MissileListener listener) { missileListener = std::move(listener); }
    void tellMissile(int player, int lane, library::RoundMissile::Kind kind, std::uint32_t blockMs = 0) const;
    // The round's seed: the lane of the n-th missile fired in the round is
    // drawn from the C library's generator seeded with seed + n, so that a
    // replay with the same seed and presses fires up the same lanes.
    void setRoundSeed(std::uint32_t seed) { roundSeed = seed; }
    std::uint32_t getRoundSeed() const { return roundSeed; }
    // Missiles fired from a slot this round.
    std::uint32_t getLaunches() const { return launches; }
    // A slot key of the player (1 to 4: Slot1 to Slot4) at the song's time
    // `songMs`: Slot1 and Slot3 fire the gimmick in slot 1, Slot2 and Slot4
    // the one in slot 0. Until the song has played past keyGuardMs the keys
    // do nothing: the guard swallows the held starting press.
    void onSlotKey(std::int8_t player, std::uint8_t slotKey, double songMs);
    // A press of the player in the lane `msAgo`: whether or not it hit an
    // arrow, the first gimmick of the lane that was inside its catch window
    // then explodes. Either player may catch any gimmick, unless catches are
    // to the own field only.
    void catchPress(int player, std::uint8_t lane, std::uint32_t msAgo);
    // Across two machines a press catches only missiles in its player's own
    // field (at one screen either player may catch any).
    void setCatchesOwnFieldOnly(bool ownFieldOnly) { catchesOwnFieldOnly = ownFieldOnly; }
    // The other machine's player fired from this slot up this lane: the
    // missile in the slot (one is awarded there first when this machine has
    // none) flies up that lane. Null when the lane or player is bad.
    Missile* launchInLane(std::int8_t player, std::int8_t slot, int lane);
    // The song stood still for `ms`: the missiles' blocks end that much later.
    void holdBlocksFor(std::uint32_t ms);

    // The gimmick in the player's slot, or null (also for bad arguments).
    Gimmick* getSlot(int player, int slot) const;
    const std::array<SlotRow, playerCount>& getSlots() const { return slots; }
    // Every gimmick ever awarded, in award order.
    const std::vector<Gimmick*>& getGimmicks() const { return gimmicks; }
    const MissileStore::Thresholds& getAwardThresholds() const { return MissileStore::thresholds; }
    bool isAwarded(int threshold) const { return threshold >= 0 && store.isAwarded(static_cast<std::size_t>(threshold)); }

private:
    GimmickManager();
    static bool validPlayer(int player) { return MissileStore::validPlayer(player); }
    static bool validSlot(int slot) { return MissileStore::validSlot(slot); }

    MissileStore store;
    std::array<SlotRow, playerCount> slots{};
    std::vector<Gimmick*> gimmicks;
    // Gimmicks the scene graph did not take (no graph to link into).
    std::vector<std::unique_ptr<Gimmick>> unlinked;
    bool catchesOwnFieldOnly = false;
    LaunchListener launchListener;
    MissileListener missileListener;
    std::uint32_t roundSeed = 0;
    std::uint32_t launches = 0;
};

#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class Arrow;

// The arrows in the two players' fields: each player's open arrows, oldest
// first, and their numbers (the arrows a field has had, counted from 1, so
// that two machines name the same arrow alike). An arrow leaves a player's
// list when that player hits it; one that passes unhit stays in the list,
// hidden for the player. The scene graph owns the arrows.
class PlayerFields {
public:
    // Arrows above this height leave the field of each player who missed them.
    static constexpr float missHeight = 5.0f;

    // One arrow drawn in both fields and open to both players. Null when
    // there is no scene graph or carrier arrow to link it under.
    Arrow* spawnArrow(std::uint8_t lane);
    // An arrow in one player's field only; `judged`: in the player's list of
    // arrows a press can hit, and numbered.
    Arrow* spawnArrowFor(int player, std::uint8_t lane, bool judged);
    // The player's open arrows, oldest first (empty for other numbers).
    const std::vector<Arrow*>& getArrows(int player) const;
    // The player's oldest open arrow that `hits` accepts, taken from the
    // list; null when there is none.
    Arrow* take(int player, const std::function<bool(const Arrow&)>& hits);
    // Each arrow that has passed unhit by `songNow` is hidden for the player
    // and told to `missed` once.
    void sweepMisses(double songNow, const std::function<void(int player, const Arrow& arrow)>& missed);
    // Every arrow ever spawned leaves the scene (made inactive); the lists
    // and the numbering start afresh.
    void retire();

private:
    static bool passedUnhit(const Arrow& arrow, double songNow);
    std::vector<Arrow*>& arrowsOf(int player) { return player == 1 ? p1Arrows : p2Arrows; }

    std::vector<Arrow*> p1Arrows;
    std::vector<Arrow*> p2Arrows;
    std::array<std::uint32_t, 2> arrowsNumbered{};
};

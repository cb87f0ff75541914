#pragma once

#include "game/Combo.h"
#include "game/FairPoints.h"

#include <array>
#include <cstddef>
#include <cstdint>

class Player;
class Text;

// One player's round as it is scored: the hits of each judgement, the points
// earned as the game counts them, the combo, and the player's points in the
// battle, which are those points scaled by the fair points of the two charts.
// The player's points change by the change of the scaled total, so points
// given to the player from elsewhere stay, and without scaling every press
// adds exactly its own points.
class PlayerScore {
public:
    static constexpr std::size_t judgementCount = 5;
    using Tally = std::array<std::uint32_t, judgementCount>;

    // `number` is 1 or 2; `target` (not owned) takes the battle's points and
    // `comboText` (not owned, may be null) shows the combo.
    void attach(int number, Player* target, Text* comboText);
    // From the next round on; the round's points so far are not rescaled.
    void setFairPoints(const FairPoints& points) { fair = points; }
    const FairPoints& getFairPoints() const { return fair; }
    // A new round: counts, points and combo from 0; the fair points stay.
    void newRound();

    // A press judged `judgement` (best first) for `points`.
    void judged(std::size_t judgement, std::uint32_t points);
    void holdKept(std::uint32_t points);
    void holdLetGo();
    // Costs `penalty`, never more than the points earned.
    void mineHit(std::uint32_t penalty);
    // An arrow left the player's field unjudged.
    void missed();

    const Tally& getTally() const { return tally; }
    // Arrows that left the player's field unjudged.
    std::uint32_t getMisses() const { return misses; }
    std::uint32_t getEarned() const { return earned; }
    // The points as they count in the battle.
    std::uint32_t getPoints() const { return fair.scaled(number, earned); }
    const Combo& getCombo() const { return combo; }

private:
    void earn(std::uint32_t newEarned);
    void showCombo() const;

    int number = 1;
    Player* player = nullptr;
    Text* text = nullptr;
    FairPoints fair;
    Tally tally{};
    std::uint32_t misses = 0;
    std::uint32_t earned = 0;
    Combo combo;
};

#pragma once

#include <cstdint>

// One screen of a match: it takes the frame's player actions and keys,
// updates and draws. Screens never call each other; they ask the match to
// move on.
class Screen {
public:
    virtual ~Screen() = default;

    // The match has moved to this screen.
    virtual void enter() {}
    // A bound key or button of player 1 or 2 is down (actions 1 to 4 Up,
    // Right, Down, Left; 5 to 8 the slots), pressed at `pressTick`;
    // `newPress`: the first frame that sees this press (held keys repeat).
    virtual void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) = 0;
    // That action's key or button went up at `releaseTick`.
    virtual void onPlayerRelease(std::uint8_t, std::uint8_t, std::uint32_t) {}
    // A new press of a main-loop key the main loop leaves to the screens.
    virtual void onKey(std::uint8_t) {}
    // Once per frame, after the arrow manager's update.
    virtual void update(std::uint32_t) {}
    virtual void draw() = 0;
    // Escape is the screen's own key instead of ending the game.
    virtual bool takesEscape() const { return false; }

protected:
    static constexpr std::uint8_t firstDirection = 1;
    static constexpr std::uint8_t lastDirection = 4;
    static bool isDirection(std::uint8_t action) { return action >= firstDirection && action <= lastDirection; }
};

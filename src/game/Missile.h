#pragma once

#include "game/Gimmick.h"

#include <cstdint>

class ExplosionEmitter;
class GoalMarker;
class Mesh;
class Texture;

// The missile: fired into a random lane of the opponent's field, it climbs
// 250 units per minute trailing smoke. At the goal line, or when a press
// catches it in the window, it explodes and takes the lane's goal marker
// away from the opponent for a while; presses in that lane then hit nothing.
class Missile : public Gimmick {
public:
    static constexpr float unitsPerMinute = 250.0f;
    static constexpr float startY = -4.0f;
    static constexpr std::uint32_t fullBlockMs = 10000;

    // side: the field it flies in, the opponent of its owner.
    explicit Missile(std::int8_t side);

    bool update() override;
    bool draw() override;
    bool arm() override;
    // Picks the target lane with the C library's generator. False (and the
    // missile stays grounded) when there is no goal marker to fly at.
    bool launch() override;
    // Fires it up the given lane (0 to 3) instead of a random one.
    bool launchInLane(int targetLane);
    void hit(float quality) override;
    // Across two machines, on the launcher's: the missile waits at the goal
    // line for the target's machine to tell what became of it.
    void awaitOutcome() { awaitingOutcome = true; }
    bool isAwaitingOutcome() const { return awaitingOutcome; }
    // Climbs as far as it would have in `ms` (a launch heard of late).
    void climbFor(std::uint32_t ms);
    // Explodes now, blocking the lane for `ms` (what the target's machine decided).
    void explodeWithBlock(std::uint32_t ms);
    // The song stood still for `ms`: a block holding the lane ends that much later.
    void holdBlockFor(std::uint32_t ms);
    // Grounds it, its trail gone and its block dropped without giving the
    // goal marker back (the gimmick manager gives every lane back itself).
    void retire() override;
    double climbPerMs() const override { return launched && !exploded ? unitsPerMinute / 60000.0 : 0.0; }

    bool isLaunched() const { return launched; }
    GoalMarker* getTarget() const { return target; }
    std::uint32_t getBlockUntil() const { return blockUntil; }
    // True while this missile's block holds the lane: from its explosion
    // until it gives the goal marker back, or until a later block takes over.
    bool isBlocking() const { return blocking; }
    ExplosionEmitter* getExhaust() const { return exhaust; }

private:
    void climb();
    bool reachedGoalLine() const;
    void releaseTargetWhenBlockEnds();
    void holdLaneIfBlockEndsLater();
    Missile* laneHolder() const;
    void showExplosion();
    std::uint32_t blockLength(float quality) const;
    void explode(std::uint32_t blockFor);
    void logExplosion(std::uint32_t blockFor) const;

    Mesh* mesh = nullptr;
    Texture* texture = nullptr;
    bool launched = false;
    GoalMarker* target = nullptr;
    std::uint32_t blockMs = fullBlockMs;
    std::uint32_t blockUntil = 0;
    // Owned by the scene graph.
    ExplosionEmitter* exhaust = nullptr;
    bool blocking = false;
    bool awaitingOutcome = false;
};

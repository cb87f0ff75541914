#pragma once

#include "scene/ObjectNode.h"

#include <cstdint>

// Base of the battle gimmicks a player is awarded and fires into the
// opponent's field. A gimmick is a scene node; the graph owns it once linked.
class Gimmick : public ObjectNode {
public:
    // The catch window: a press catches a gimmick strictly between these heights.
    static constexpr float windowLow = 1.0f;
    static constexpr float windowHigh = 2.0f;
    static constexpr float windowCentre = 1.5f;

    Gimmick();
    Gimmick(const char* name, std::int8_t side);

    // Called once when the gimmick is awarded.
    virtual bool arm() { return true; }
    // Called when its owner fires it.
    virtual bool launch() { return true; }
    // Called when a press catches it (or, for a missile, when it arrives).
    virtual void hit(float /*quality*/) {}
    // Takes it out of play for good, at the end of a round: it is no longer
    // drawn and no longer acts. The node stays in the scene graph.
    virtual void retire() { setActive(false); }

    // |1.5 - y| inside the catch window, 0 outside it (0 means not catchable now).
    float quality() const;
    // The same where the gimmick was `msAgo` milliseconds ago (the moment of a press).
    float qualityAt(std::uint32_t msAgo) const;
    // How fast it climbs now, in units per millisecond.
    virtual double climbPerMs() const { return 0.0; }

    bool exploded = false;
    std::int8_t lane = 0;

private:
    static float qualityAtHeight(float height);
};

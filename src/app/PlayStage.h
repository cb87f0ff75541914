#pragma once

class ArrowManager;
class Match;

// Builds the play stage, alike for the main loop's start-up and for the
// tests' stages: the scene nodes that the arrow manager, the gimmicks and the
// missiles find by name, and the managers that play a round on them.
class PlayStage {
public:
    // After the configuration, the step file reader and the sounds: the
    // mesh manager and the scene graph, both players (their sections and
    // keys), the goal markers, then the arrow manager and the match. Each
    // step is noted for the start-up times.
    static void build(ArrowManager& arrows, Match& match);
    // "Goal0" to "Goal3", one per lane, each linked under its own name.
    static void createGoalMarkers();
    // Every spawned arrow is linked below this one (nodes::spawnedArrow).
    static void createCarrierArrow();
};

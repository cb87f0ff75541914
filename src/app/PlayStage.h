#pragma once

// The scene nodes of the play stage that the arrow manager, the gimmicks
// and the missiles find by name, built alike by the main loop's start-up
// and by the tests' stages. Both need the scene graph.
class PlayStage {
public:
    // "Goal0" to "Goal3", one per lane, each linked under its own name.
    static void createGoalMarkers();
    // Every spawned arrow is linked below this one (nodes::spawnedArrow).
    static void createCarrierArrow();
};

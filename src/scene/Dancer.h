#pragma once

#include "scene/Ms3dModel.h"
#include "scene/ObjectNode.h"

#include <cstdint>
#include <list>
#include <memory>

class Timer;

// A move the dancer is asked for: the step's DWI character and the tick at
// which its arrow reaches the goal line.
struct DanceEvent {
    std::uint32_t dueTick = 0;
    char step = 0;
};

// The animated figure in the middle of the screen. The arrow manager queues
// an event for every step it spawns; when one falls due the dancer starts the
// matching move of its model, now and then the special move instead.
class Dancer : public ObjectNode {
public:
    static constexpr const char* modelPath = "Data\\Animation\\male_dancer_1\\dancer.ms3d";

    // Frame ranges of the moves in the model.
    struct Move {
        std::int32_t firstFrame;
        std::int32_t lastFrame;
    };
    static constexpr Move upMove{0, 40};
    static constexpr Move leftMove{40, 80};
    static constexpr Move downRightMove{80, 120};
    static constexpr Move specialMove{160, 260};
    // rand() % specialOdds == 1 picks the special move: one event in 25.
    static constexpr int specialOdds = 25;

    // Loads the model; whoever creates the dancer hands it to the arrow
    // manager, which tells it of every step.
    // Without a timer the model makes its own with Timer::create.
    explicit Dancer(std::unique_ptr<Timer> timer = nullptr);
    ~Dancer() override;

    void addEvent(std::uint32_t dueTick, char step);
    // Another round: forgets the pending events and plays the first move
    // once from its start, as after loading.
    void newRound();

    // Starts the move of at most one due event, then updates the children.
    bool update() override;
    bool draw() override;

    const Model& getModel() const { return *model; }
    bool isModelLoaded() const { return modelLoaded; }
    std::size_t pendingEvents() const { return events.size(); }

private:
    // The first queued event due strictly before now, in queue order.
    std::list<DanceEvent>::iterator firstDueEvent(std::uint32_t now);
    void startMove(char step);

    std::list<DanceEvent> events;
    std::unique_ptr<Ms3dModel> model;
    bool modelLoaded = false;
};

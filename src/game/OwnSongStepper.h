#pragma once

#include "game/ScrollSpeed.h"
#include "game/SongPlayer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PlayerFields;
class StepFileManager;

// The game's own song as its step file gives it, for both players at once.
//
// Timing: a note reaches the goal line when its beat sounds. Each arrow needs
// `lead` ms from the spawn line to the goal line, so the first step is due at
// the chart's gap minus `lead` on the song clock, and the k-th step k half
// beats later. Steps are taken only while the song plays.
class OwnSongStepper : public SongPlayer {
public:
    static constexpr const char* stepFilePath = "Data\\Dwi\\Coconut.DWI";
    static constexpr const char* streamName = "Coconut";

    explicit OwnSongStepper(PlayerFields& fields) : fields(fields) {}

    // Reads the chart through the step file reader; false without one.
    bool load(StepFileManager* reader);
    // Takes the tempo and the travel from the spawn line to the goal line (in
    // beats) and times the steps; warns when the chart has no tempo.
    void timeSteps(float travelBeats);
    // The players' scroll speeds, from the next start of the song on.
    void setSpeeds(const std::array<ScrollSpeed, 2>& chosen, bool started);
    // The first step again, and no arrow moving.
    void restart();
    // Milliseconds from an arrow's spawn to the goal line.
    double getLead() const { return lead; }
    float getTravel() const { return travel; }

    void update(double songMs, std::uint32_t tick, bool started, Dancer* dancer) override;
    void onLaneDown(std::uint8_t, std::uint32_t) override {}
    bool startHold(Arrow*) override { return false; }
    double leadInMs() const override { return 0.0; }

private:
    void timeOwnSteps();
    void scheduleStep(std::uint32_t tick, Dancer* dancer);
    void takeStep(std::uint32_t tick, double arrivalMs, Dancer* dancer);
    void placeArrows();

    PlayerFields& fields;
    StepFileManager* stepFile = nullptr;
    std::string noteCopy;
    std::size_t noteCursor = 0;
    // Song-clock times in ms, kept as whole numbers in doubles: they may lie
    // before the song's start, and every step counts from the first one, so
    // rounding never accumulates.
    double firstStepTime = 0.0;
    double nextStepTime = 0.0;
    std::uint64_t stepsTaken = 0;
    double songNow = 0.0;
    float travel = 0.0f;
    float bpm = 0.0f;
    int gap = 0;
    double lead = 0.0;
    // The players' height factors.
    std::array<double, 2> ownSpeeds{1.0, 1.0};
    // Half a beat in ms: one note character per step.
    double stepLength = 0.0;
    // Arrows still shown in either field, placed from the song clock.
    std::vector<Arrow*> moving;
};

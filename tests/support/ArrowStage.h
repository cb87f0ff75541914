#pragma once

#include "chart/Lane.h"
#include "core/Object.h"
#include "platform/SimulatedClock.h"
#include "support/HiddenGlWindow.h"
#include "support/StandInMainLoop.h"
#include "support/TestSupport.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ArrowManager;
class Arrow;
class Match;

namespace arrowtest {

// The players' actions of the chart's lanes (Left, Up, Right, Down), by lane
// and by name, and the first slot key's.
constexpr std::uint8_t laneActions[] = {4, 1, 2, 3};
constexpr std::uint8_t left = 4, up = 1, right = 2, down = 3, slot1 = 5;

// A 128 BPM chart whose first note sounds at `gapMs` into a silent song of
// `songMs`. Without a tempo the file has no "BPM" entry.
struct Chart {
    std::string notes;
    std::string bpm = "128.000";
    int gapMs = 5500;
    int songMs = 10000;
    // A player's song instead: its SM text and each player's difficulty.
    std::string playerSong = {};
    std::array<std::string, 2> difficulties = {};
    // Lines added at the end of the configuration.
    std::string configLines = {};
    // The whole configuration instead of the stage's own, when not empty.
    std::string config = {};
};

// One arrow of the chart: its lane and its beat time on the song clock.
struct ChartArrow {
    Lane lane;
    double beatMs;
};
// Read as a player reading the chart would: one note per half beat from the gap.
std::vector<ChartArrow> chartArrows(const Chart& chart);

// Everything the arrow manager works with, in the main loop's start-up order,
// on a scratch folder with its own small files: configuration ("Kai" and
// "Mia"), chart, silent song, arrow mesh and textures; silent sound output
// and simulated time.
class ArrowStage {
public:
    static constexpr float goalY = 4.0f;
    static constexpr float spawnY = -6.5f;

    // `withInput` runs where the main loop creates its input handler.
    explicit ArrowStage(const Chart& chart, const std::function<void()>& withInput = {});
    ~ArrowStage();
    ArrowStage(const ArrowStage&) = delete;
    ArrowStage& operator=(const ArrowStage&) = delete;

    ArrowManager& arrows() { return *manager; }
    Match& match() { return *rounds; }
    // The first slot key of player 1: starts the song. A lead-in passes in
    // one frame unless `throughLeadIn`, so that the song clock stands at the
    // music's start; songStart() is then the moment the music started.
    void startSong(bool throughLeadIn = false);
    // A press as the input handler gives it to the match's current screen.
    void press(std::uint8_t player, std::uint8_t action, std::uint32_t tick, bool newPress = true);
    // A release as the input handler gives it.
    void release(std::uint8_t player, std::uint8_t action, std::uint32_t tick);
    // One frame of `ms`: the presses first (a replay's too), then the arrow
    // manager and the match, then the scene graph (not in a pause), as the main loop does.
    void frame(std::uint32_t ms, const std::function<void()>& presses = {});
    std::uint32_t now() const { return clock.now(); }
    // Moves the clock on to `tick` (not back) without a frame.
    void advanceTo(std::uint32_t tick);
    const testsupport::ScratchDir& folder() const { return scratch; }
    std::uint32_t songStart() const { return startTick; }
    std::uint32_t points(int player) const;
    std::string log() const;

private:
    testsupport::ScratchDir scratch;
    testsupport::HiddenGlWindow gl;
    platform::SimulatedClock clock{10000};
    // The registry's teardown spares the main loop's name: the stage owns it.
    std::unique_ptr<testsupport::StandInMainLoop> frameClock;
    ArrowManager* manager = nullptr;
    std::unique_ptr<Match> rounds;
    std::uint32_t startTick = 0;
};

} // namespace arrowtest

#pragma once

#include "core/FrameClock.h"
#include "core/Object.h"
#include "input/KeyPresses.h"
#include "platform/SimulatedClock.h"
#include "support/GlContext.h"
#include "support/TestSupport.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class ArrowManager;
class InputHandler;
class Match;

namespace flowtest {

// Stands in for the main loop's frame clock.
class StageClock : public Object, public FrameClock {
public:
    StageClock() : Object(true, "MainLoop") {}
    std::uint32_t getFrameDelta() const override { return delta; }
    std::uint32_t delta = 0;
};

// The game's managers as the main loop starts them, with the real input
// handler (keys and pads, both players' pads bound) feeding the match, on a
// scratch folder: configuration ("Kai" on W A S D, "Mia" on the arrow keys),
// a chart of single steps at 128 BPM, a silent song, arrow mesh and
// textures; silent sound output and simulated time. Pads attached before
// construction become joysticks 1 and 2.
class MappingStage {
public:
    static constexpr std::uint8_t keyEscape = 27;
    static constexpr std::uint8_t keyF4 = 115;
    static constexpr std::uint8_t keyF8 = 119;
    static constexpr std::uint8_t keyF12 = 123;
    static constexpr int gapMs = 3000;
    static constexpr int songMs = 8000;
    // Up, Right, Down, Left: one note each half beat, twice over.
    static constexpr const char* notes = "8060204080602040";

    MappingStage();
    ~MappingStage();
    MappingStage(const MappingStage&) = delete;
    MappingStage& operator=(const MappingStage&) = delete;

    ArrowManager& arrows() { return *manager; }
    Match& match() { return *rounds; }
    InputHandler& input() { return *handler; }
    const testsupport::ScratchDir& folder() const { return scratch; }
    std::string config() const;
    std::string log() const;
    std::uint32_t now() const { return clock.now(); }

    // One frame of `ms`, as the main loop runs it: input, arrows, match, graph.
    void frame(std::uint32_t ms = 10);
    // A key goes down now and up again, a frame each.
    void tap(std::uint8_t code);
    void keyDown(std::uint8_t code);
    void keyUp(std::uint8_t code);
    // Moves the clock on to `tick` (not back).
    void advanceTo(std::uint32_t tick);

private:
    testsupport::ScratchDir scratch;
    testsupport::GlContext gl;
    platform::SimulatedClock clock{10000};
    std::array<std::uint8_t, 256> keys{};
    KeyPresses presses;
    std::unique_ptr<StageClock> frameClock;
    InputHandler* handler = nullptr;
    ArrowManager* manager = nullptr;
    std::unique_ptr<Match> rounds;
};

} // namespace flowtest

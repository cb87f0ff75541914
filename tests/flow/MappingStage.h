#pragma once

#include "core/Object.h"
#include "input/KeyPresses.h"
#include "support/ArrowStage.h"
#include "support/TestSupport.h"

#include <array>
#include <cstdint>
#include <string>

class ArrowManager;
class InputHandler;
class Match;

namespace flowtest {

// The game's managers as the main loop starts them, with the real input
// handler (keys and pads, both players' pads bound) feeding the match, on a
// scratch folder: configuration ("Kai" on W A S D, "Mia" on the arrow keys),
// a chart of single steps at 128 BPM, a silent song, arrow mesh and
// textures; silent sound output and simulated time. Pads attached before
// construction become joysticks 1 and 2.
class MappingStage {
public:
    static constexpr std::uint8_t keyBackspace = 8;
    static constexpr std::uint8_t keyEscape = 27;
    static constexpr std::uint8_t keyF4 = 115;
    static constexpr std::uint8_t keyF8 = 119;
    static constexpr std::uint8_t keyF12 = 123;
    static constexpr int gapMs = 3000;
    static constexpr int songMs = 8000;
    // Up, Right, Down, Left: one note each half beat, twice over.
    static constexpr const char* notes = "8060204080602040";

    MappingStage();
    MappingStage(const MappingStage&) = delete;
    MappingStage& operator=(const MappingStage&) = delete;

    ArrowManager& arrows() { return stage.arrows(); }
    Match& match() { return stage.match(); }
    InputHandler& input() { return *handler; }
    const testsupport::ScratchDir& folder() const { return stage.folder(); }
    std::string config() const { return testsupport::readFile(stage.folder().path() / "Conf/global.cfg"); }
    std::string log() const { return stage.log(); }
    std::uint32_t now() const { return stage.now(); }

    // One frame of `ms`, as the main loop runs it: input, arrows, match, graph.
    void frame(std::uint32_t ms = 10);
    // A key goes down now and up again, a frame each.
    void tap(std::uint8_t code);
    void keyDown(std::uint8_t code);
    void keyUp(std::uint8_t code) { keys[code] = 0; }
    // Moves the clock on to `tick` (not back).
    void advanceTo(std::uint32_t tick) { stage.advanceTo(tick); }

private:
    std::array<std::uint8_t, 256> keys{};
    KeyPresses presses;
    InputHandler* handler = nullptr;
    arrowtest::ArrowStage stage;
};

} // namespace flowtest

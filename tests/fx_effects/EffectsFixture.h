#pragma once

#include "core/ConfigFileParser.h"
#include "core/Object.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "platform/SimulatedClock.h"
#include "support/StandInMainLoop.h"
#include "support/TestSupport.h"
#include "writers/TgaWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

// Simulated time starting at `start`, a scratch working folder and a frame
// clock. The registry teardown spares "MainLoop", so the stub goes last.
class EffectsFixture : public ::testing::Test {
protected:
    static constexpr std::uint32_t start = 50000;

    void TearDown() override
    {
        if (ObjectRegistry::exists())
            ObjectRegistry::destroy();
        frameClock.reset();
    }

    // A configuration of these "[SpecialFX]" lines, read by the game's reader.
    void configure(const std::string& lines)
    {
        scratch.write("Conf/global.cfg", "[SpecialFX]\n" + lines);
        OutputHandler::instance()->open();
        (new ConfigFileParser())->parse("Conf/global.cfg");
    }

    // Advances the clock and runs one update of the node, as one frame does.
    template <typename Node>
    void frame(Node& node, std::uint32_t ms)
    {
        clock.advance(ms);
        frameClock->delta = ms;
        node.update();
    }

    platform::SimulatedClock clock{start};
    testsupport::ScratchDir scratch;
    std::unique_ptr<testsupport::StandInMainLoop> frameClock = std::make_unique<testsupport::StandInMainLoop>();
};

namespace fxtest {

struct Colour {
    std::uint8_t r, g, b;
};

// Every frame of the test sequences has its own colour.
inline Colour frameColour(int frame)
{
    return {static_cast<std::uint8_t>(250 - frame * 8), static_cast<std::uint8_t>(frame * 8), 60};
}

// The 30 frames of a sequence (prefix0000.tga to prefix0029.tga), 8x8
// TGA images of solid frameColour each, without frame `skip`.
inline void writeFrames(const testsupport::ScratchDir& dir, const std::string& prefix, int skip = -1)
{
    for (int frame = 0; frame < 30; ++frame) {
        const Colour colour = frameColour(frame);
        forge::RgbaImage image(8, 8);
        for (int i = 0; i < 64; ++i)
            image.set(i % 8, i / 8, {colour.r, colour.g, colour.b, 255});
        const auto bytes = forge::TgaWriter::encode(image, forge::TgaWriter::Kind::Uncompressed, 32);
        if (frame != skip)
            dir.write(prefix + std::to_string(10000 + frame).substr(1) + ".tga", {bytes.begin(), bytes.end()});
    }
}

} // namespace fxtest

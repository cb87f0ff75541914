#include "app/SimulatedTime.h"

#include "core/ConfigFileParser.h"
#include "platform/AudioEngine.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int millisecondsPerSecond = 1000;

} // namespace

std::shared_ptr<SimulatedTime> SimulatedTime::fromEnvironment()
{
    const char* value = std::getenv("FLAREVOX_SIMULATED_FPS");
    if (!value || !*value)
        return nullptr;
    const int fps = ConfigFileParser::toInt(value);
    if (fps < 1 || fps > maximumFps) {
        std::fprintf(stderr, "FLAREVOX_SIMULATED_FPS must be 1 to %d; running in real time\n", maximumFps);
        return nullptr;
    }
    platform::AudioEngine::setDefaultOutput(platform::AudioEngine::Output::NoSound);
    return std::make_shared<SimulatedTime>(fps);
}

SimulatedTime::SimulatedTime(int framesPerSecond)
    : fps(framesPerSecond)
{
}

void SimulatedTime::advanceFrame()
{
    remainder += millisecondsPerSecond;
    clock.advance(static_cast<std::uint32_t>(remainder / fps));
    remainder %= fps;
}

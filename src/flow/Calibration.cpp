#include "flow/Calibration.h"

#include "core/ConfigFileWriter.h"
#include "core/OutputHandler.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Taps before the first click's catchment are early nerves, not taps.
constexpr double earliestTapMs = Calibration::firstClickMs - Calibration::clickSpacingMs / 2.0;

std::string format(const char* pattern, double first, double second)
{
    char line[160];
    std::snprintf(line, sizeof line, pattern, first, second);
    return line;
}

} // namespace

void Calibration::onKey(SoundManager& sound)
{
    if (state == State::Measured)
        save(sound);
    else
        start(sound);
}

void Calibration::start(SoundManager& sound)
{
    if (!streamAdded) {
        sound.addSound(streamPath, streamName);
        streamAdded = true;
    }
    distances.clear();
    lastMessage.clear();
    state = State::Tapping;
    sound.play(streamName);
    OutputHandler::log(OutputHandler::find(), "Calibration: started, tap a step key on each click");
}

// Measured on the click track as the device plays it, before any offset.
void Calibration::tap(SoundManager& sound, std::uint32_t msAgo)
{
    if (state != State::Tapping)
        return;
    const double tapMs = sound.getSongTime(streamName) + sound.getGlobalOffset() - msAgo;
    if (tapMs < earliestTapMs)
        return;
    distances.push_back(distanceToClick(tapMs));
    if (distances.size() < tapsNeeded)
        return;
    result = measure(distances);
    state = State::Measured;
    sound.stop(streamName);
    OutputHandler::log(OutputHandler::find(), "Calibration: offset %.1f ms, spread %.1f ms", result.offsetMs,
                       result.spreadMs);
}

void Calibration::stop(SoundManager& sound)
{
    if (state == State::Tapping)
        sound.stop(streamName);
    state = State::Off;
    distances.clear();
}

// Only the one line changes; a failed write changes nothing, in the file or
// in the game.
void Calibration::save(SoundManager& sound)
{
    const long offset = std::lround(result.offsetMs);
    if (!ConfigFileWriter::setValue(configPath, "Sound", "GlobalOffset", std::to_string(offset))) {
        OutputHandler::report(OutputHandler::find(), Warning,
                              "Calibration: Could not write the GlobalOffset to '%s', nothing was changed", configPath);
        lastMessage = "Could not save the offset to " + std::string(configPath);
        return;
    }
    sound.setGlobalOffset(static_cast<double>(offset));
    OutputHandler::log(OutputHandler::find(), "Calibration: GlobalOffset = %ld saved", offset);
    lastMessage = "Saved: GlobalOffset = " + std::to_string(offset) + " ms";
    state = State::Off;
}

std::string Calibration::statusLine() const
{
    if (state == State::Tapping)
        return format("Calibration: tap a step key on each click (%.0f of %.0f)", static_cast<double>(distances.size()),
                      static_cast<double>(tapsNeeded));
    if (state == State::Measured) {
        const std::string measured = format("Your offset: %+.0f ms, spread %.0f ms.", result.offsetMs,
                                            result.spreadMs);
        return lastMessage.empty() ? measured + " F9 saves it." : lastMessage;
    }
    return lastMessage;
}

double Calibration::distanceToClick(double tapMs)
{
    const double clicks = std::round((tapMs - firstClickMs) / clickSpacingMs);
    return tapMs - (firstClickMs + std::max(clicks, 0.0) * clickSpacingMs);
}

Calibration::Result Calibration::measure(std::vector<double> distances)
{
    if (distances.empty())
        return {};
    std::sort(distances.begin(), distances.end());
    const auto at = [&distances](double share) {
        const double position = share * static_cast<double>(distances.size() - 1);
        const auto below = static_cast<std::size_t>(position);
        const std::size_t above = std::min(below + 1, distances.size() - 1);
        return distances[below] + (distances[above] - distances[below]) * (position - static_cast<double>(below));
    };
    return {at(0.5), (at(0.75) - at(0.25)) / 2.0};
}

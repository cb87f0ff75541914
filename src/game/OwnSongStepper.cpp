#include "game/OwnSongStepper.h"

#include "core/OutputHandler.h"
#include "game/Arrow.h"
#include "game/PlayerFields.h"
#include "game/StepFileManager.h"
#include "scene/Dancer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double millisecondsPerMinute = 60000.0;

} // namespace

bool OwnSongStepper::load(StepFileManager* reader)
{
    stepsTaken = 0;
    stepFile = reader;
    if (!stepFile)
        return false;
    stepFile->parseFile(stepFilePath);
    noteCopy = stepFile->getNotes();
    noteCursor = 0;
    return true;
}

void OwnSongStepper::timeSteps(float travelBeats)
{
    travel = travelBeats;
    bpm = stepFile->getBpm();
    gap = stepFile->getGap();
    if (bpm > 0.0f) {
        stepLength = millisecondsPerMinute / (2.0 * bpm);
        timeOwnSteps();
    } else {
        OutputHandler::report(OutputHandler::find(), Warning,
                              "ArrowManager: The step file gives no tempo (BPM %g), no arrows will come.",
                              static_cast<double>(bpm));
    }
}

// The slowest player's arrows must come into view at the spawn line: they
// are spawned that much earlier (at 1x: `travel` beats).
void OwnSongStepper::timeOwnSteps()
{
    const double slowest = std::min(ownSpeeds[0], ownSpeeds[1]);
    lead = travel / slowest * millisecondsPerMinute / bpm;
    firstStepTime = static_cast<double>(gap) - lead;
    nextStepTime = std::round(firstStepTime);
}

void OwnSongStepper::setSpeeds(const std::array<ScrollSpeed, 2>& chosen, bool started)
{
    for (std::size_t index = 0; index < chosen.size(); ++index)
        ownSpeeds[index] = chosen[index].factor(bpm);
    if (bpm > 0.0f && !started)
        timeOwnSteps();
}

void OwnSongStepper::restart()
{
    moving.clear();
    stepsTaken = 0;
    if (bpm > 0.0f)
        nextStepTime = std::round(firstStepTime);
    noteCopy = stepFile ? stepFile->getNotes() : std::string();
    noteCursor = 0;
    songNow = 0.0;
}

void OwnSongStepper::update(double songMs, std::uint32_t tick, bool started, Dancer* dancer)
{
    songNow = songMs;
    if (bpm > 0.0f && started)
        scheduleStep(tick, dancer);
    placeArrows();
}

// At most one step per frame; a late schedule catches up one step per frame,
// each arrow appearing where its note has got to by then.
void OwnSongStepper::scheduleStep(std::uint32_t tick, Dancer* dancer)
{
    if (nextStepTime > songNow)
        return;
    const double dueTime = firstStepTime + static_cast<double>(stepsTaken) * stepLength;
    ++stepsTaken;
    nextStepTime = std::round(firstStepTime + static_cast<double>(stepsTaken) * stepLength);
    takeStep(tick, dueTime + lead, dancer);
}

void OwnSongStepper::takeStep(std::uint32_t tick, double arrivalMs, Dancer* dancer)
{
    const char note = StepFileManager::takeStep(noteCopy, noteCursor);
    const StepFileManager::NoteArrows arrows = StepFileManager::decodeNote(note);
    const double beatMs = 2.0 * stepLength;
    const auto follow = [&](Arrow* arrow, double speed) {
        moving.push_back(arrow);
        arrow->followSong((arrivalMs - gap) / beatMs, arrivalMs, beatMs);
        arrow->setSpeed(speed);
        arrow->placeAt((songNow - gap) / beatMs);
    };
    // One arrow for both fields, unless the players' speeds differ.
    for (std::size_t i = 0; i < arrows.count; ++i) {
        if (ownSpeeds[0] == ownSpeeds[1]) {
            if (Arrow* arrow = fields.spawnArrow(arrows.lanes[i]))
                follow(arrow, ownSpeeds[0]);
            continue;
        }
        for (int player = 1; player <= 2; ++player) {
            if (Arrow* arrow = fields.spawnArrowFor(player, arrows.lanes[i], true))
                follow(arrow, ownSpeeds[static_cast<std::size_t>(player - 1)]);
        }
    }
    // The dancer moves when the step's arrows reach the goal line (song ms
    // pass at the music's rate). The sum wraps with the tick counter; a time
    // beyond the counter's half range (a nearly zero tempo) is held at its edge.
    if (dancer) {
        const double untilArrival = (arrivalMs - songNow) / Arrow::getMusicRate();
        const double aheadMs = std::isfinite(untilArrival) ? std::clamp(untilArrival, -2147483648.0, 2147483647.0) : 0.0;
        dancer->addEvent(tick + static_cast<std::uint32_t>(static_cast<std::int32_t>(aheadMs)), note);
    }
}

// Every arrow still shown in a field takes its height from the song clock;
// one that both players are done with leaves the list.
void OwnSongStepper::placeArrows()
{
    std::erase_if(moving, [](const Arrow* arrow) { return !arrow->isActive(); });
    const double songBeat = (songNow - gap) / (2.0 * stepLength);
    for (Arrow* arrow : moving)
        arrow->placeAt(songBeat);
}

#include "flow/PauseScreen.h"

#include "flow/Match.h"
#include "game/ArrowManager.h"
#include "platform/SystemClock.h"
#include "platform/VirtualKeys.h"
#include "scene/ObjectGraph.h"

namespace {

using platform::VirtualKeys;
constexpr std::uint8_t actionUp = 1;
constexpr std::uint8_t actionDown = 3;

} // namespace

void PauseScreen::open(bool stopped)
{
    songStopped = stopped;
    choices = stopped ? std::vector<Choice>{Choice::GoOn, Choice::StartAgain, Choice::BackToSongs}
                      : std::vector<Choice>{Choice::GoOn, Choice::BackToSongs};
    chosen = 0;
    countingIn = false;
}

// Only new presses steer: a step key held from play does not run through
// the menu. Nothing is judged here.
void PauseScreen::onPlayerAction(std::uint8_t, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    if (!newPress || countingIn)
        return;
    if (action == actionUp)
        chosen = (chosen + choices.size() - 1) % choices.size();
    else if (action == actionDown)
        chosen = (chosen + 1) % choices.size();
    else if (!isDirection(action))
        take(pressTick);
}

void PauseScreen::onKey(std::uint8_t code)
{
    if (code == VirtualKeys::pause && !countingIn) {
        chosen = 0;
        take(platform::SystemClock::tickCount());
    }
}

void PauseScreen::take(std::uint32_t tick)
{
    switch (choices[chosen]) {
    case Choice::GoOn:
        if (!songStopped) {
            match.endPause(tick);
            return;
        }
        countingIn = true;
        countInStart = tick;
        return;
    case Choice::StartAgain:
        match.startAgain(tick);
        return;
    case Choice::BackToSongs:
        match.leaveSong();
        return;
    }
}

// Across two machines the song plays on behind the menu, to its end.
void PauseScreen::update(std::uint32_t tick)
{
    if (!songStopped && match.getArrows().songEnd().isOver()) {
        match.showResults(tick);
        return;
    }
    if (countingIn && tick - countInStart >= countInMs)
        match.endPause(countInStart + countInMs);
}

const char* PauseScreen::nameOf(Choice choice, bool stopped)
{
    switch (choice) {
    case Choice::GoOn:
        return "Go on";
    case Choice::StartAgain:
        return "Start the song again";
    case Choice::BackToSongs:
        return stopped ? "Back to the songs" : "Leave the battle";
    }
    return "";
}

std::vector<std::string> PauseScreen::lines(std::uint32_t tick) const
{
    if (countingIn) {
        const std::uint32_t left = countInMs - std::min(countInMs, tick - countInStart);
        return {"Going on in " + std::to_string((left + 999) / 1000) + " ..."};
    }
    std::vector<std::string> shown{songStopped ? "Paused" : "The song plays on across the network"};
    for (std::size_t index = 0; index < choices.size(); ++index)
        shown.push_back((index == chosen ? "  > " : "    ") + std::string(nameOf(choices[index], songStopped)));
    shown.push_back("Up, Down: choose    a slot key: take it    Pause: go on");
    return shown;
}

void PauseScreen::draw()
{
    if (ObjectGraph* graph = ObjectGraph::find())
        graph->draw();
    const std::vector<std::string> shown = lines(platform::SystemClock::tickCount());
    for (std::size_t row = 0; row < shown.size(); ++row)
        match.getStoryPage().drawLine(menuTopY - lineStep * static_cast<float>(row), shown[row]);
}

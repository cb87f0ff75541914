#include "flow/PlayScreen.h"

#include "flow/Match.h"
#include "game/ArrowManager.h"
#include "platform/VirtualKeys.h"
#include "scene/ObjectGraph.h"

void PlayScreen::onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    match.getArrows().onPlayerAction(player, action, pressTick, newPress);
}

void PlayScreen::onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick)
{
    match.getArrows().onPlayerRelease(player, action, releaseTick);
}

void PlayScreen::onKey(std::uint8_t code)
{
    if (code == platform::VirtualKeys::pause)
        match.pauseSong();
}

void PlayScreen::update(std::uint32_t tick)
{
    if (match.getArrows().isSongOver())
        match.showResults(tick);
}

void PlayScreen::draw()
{
    if (ObjectGraph* graph = ObjectGraph::find())
        graph->draw();
}

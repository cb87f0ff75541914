#include "flow/LobbyScreen.h"

#include "flow/Match.h"
#include "flow/NetBattle.h"
#include "flow/Story.h"

namespace {

constexpr float firstLineY = 1.0f;
constexpr float lineStep = 0.4f;

} // namespace

void LobbyScreen::draw()
{
    const NetBattle* net = match.getNetBattle();
    if (!net)
        return;
    float y = firstLineY;
    for (const std::string& line : net->lobbyLines()) {
        match.getStoryPage().drawLine(y, story::printable(line));
        y -= lineStep;
    }
}

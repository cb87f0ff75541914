#include "flow/JudgementRelay.h"

#include "flow/Match.h"
#include "flow/PointsRelay.h"
#include "game/ArrowManager.h"
#include "net/NetProtocol.h"
#include "net/NetSession.h"

#include <algorithm>
#include <string_view>

void JudgementRelay::send(const PressJudge::Earned& earned)
{
    if (earned.player != localPlayer)
        return;
    const auto word = std::find_if(net::judgementWords.begin(), net::judgementWords.end(),
                                   [&earned](const char* known) { return std::string_view(known) == earned.word; });
    if (word == net::judgementWords.end())
        return;
    net::Judgement judgement;
    judgement.player = static_cast<std::uint8_t>(earned.player);
    judgement.lane = earned.lane < net::laneCount ? earned.lane : 0;
    judgement.noteIndex = std::min(earned.arrowNumber, net::maxNoteIndex);
    judgement.word = static_cast<std::uint8_t>(word - net::judgementWords.begin());
    // The points of the press itself follow in the next points message.
    judgement.pointsAfter = static_cast<std::int32_t>(points.localPoints());
    session.send(judgement);
}

void JudgementRelay::receive(const net::Judgement& judgement)
{
    if (judgement.player != (localPlayer == 1 ? 2 : 1))
        return;
    ArrowManager& arrows = match.getArrows();
    if (arrows.songRun().isStarted())
        arrows.judging().recording().remoteWord(arrows.songRun().now(), judgement.lane, judgement.word,
                                                judgement.noteIndex);
    arrows.judging().applyRemote({judgement.player,
                                             judgement.noteIndex == 0 ? PressJudge::noLane : judgement.lane,
                                             judgement.noteIndex, net::judgementWords[judgement.word]});
    points.setRemote(static_cast<std::uint32_t>(std::max(judgement.pointsAfter, 0)));
}

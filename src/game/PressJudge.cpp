#include "game/PressJudge.h"

#include "core/ObjectRegistry.h"
#include "game/ChartPlayer.h"
#include "game/FairPoints.h"
#include "game/GoalMarker.h"
#include "game/Player.h"
#include "game/PlayerFields.h"
#include "game/PlayerManager.h"
#include "game/PlayTexts.h"
#include "game/RoundLog.h"
#include "game/SongPlayer.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"


void PressJudge::findPlayers()
{
    if (auto* players = ObjectRegistry::instance()->findAs<PlayerManager>("PlayerManager")) {
        player1 = players->getPlayer(1);
        player2 = players->getPlayer(2);
    }
}

void PressJudge::attachScores()
{
    for (int player = 1; player <= 2; ++player)
        scoreOf(player).attach(player, playerNumber(player), texts.combo(player));
}

void PressJudge::findGoals()
{
    ObjectGraph* graph = ObjectGraph::find();
    if (!graph)
        return;
    for (std::size_t lane = 0; lane < goals.size(); ++lane) {
        goals[lane] = dynamic_cast<GoalMarker*>(graph->findNode(nodes::goal(static_cast<int>(lane)).c_str()));
    }
}

void PressJudge::newRound()
{
    pressErrors.clear();
    recorder.start({}, 0);
    for (PlayerScore& score : scores)
        score.newRound();
}

void PressJudge::setFairPoints(const FairPoints& fair)
{
    for (PlayerScore& score : scores)
        score.setFairPoints(fair);
}

bool PressJudge::judgeLane(int player, std::uint8_t lane, const SongClock::Press& press, Arrow::LaneEvent event,
                           SongPlayer& song, std::optional<bool> roundBlocked)
{
    const GoalMarker* goal = lane < goals.size() ? goals[lane] : nullptr;
    if (roundBlocked.value_or(goal && goal->isHiddenFor(player))) {
        record(player, lane, press, event, library::RoundInput::Blocked);
        return false;
    }
    float quality = 0.0f;
    Arrow* arrow = fields.take(player, [&](const Arrow& candidate) {
        if (candidate.getLane() != lane || !candidate.hitBy(event))
            return false;
        quality = candidate.qualityAt(press.songMs);
        return quality != 0.0f;
    });
    if (!arrow) {
        record(player, lane, press, event, library::RoundInput::Nothing);
        return true;
    }
    const Judgement& earned = judge(quality, player);
    const auto hit = static_cast<std::uint8_t>(library::RoundInput::Godlike + Judgements::indexOf(earned.word));
    record(player, lane, press, event, hit);
    tell({player, lane, arrow->getNumber(), earned.word});
    if (arrow->followsSong())
        pressErrors.record(player, arrow->getNoteMs(), press.songMs, Judgements::indexOf(earned.word));
    if (!song.startHold(arrow))
        arrow->hideForPlayer(player);
    return true;
}

// Presses and releases go into the round; a key held from an earlier frame
// is the same press.
void PressJudge::record(int player, std::uint8_t lane, const SongClock::Press& press, Arrow::LaneEvent event,
                        std::uint8_t hit)
{
    if (event == Arrow::LaneEvent::Press)
        recorder.press(player, press.songMs, lane, hit, press.msAgo);
    else if (event == Arrow::LaneEvent::Release)
        recorder.release(player, press.songMs, lane, press.msAgo);
}

const Judgement& PressJudge::judge(float quality, int player)
{
    const Judgement& judgement = Judgements::forQuality(quality);
    const auto index = static_cast<std::size_t>(&judgement - Judgements::table.data());
    if (index == 0) {
        if (auto* sound = ObjectRegistry::instance()->findAs<SoundManager>("SoundManager"))
            sound->play("Godlike");
    }
    texts.showWord(player, judgement.word);
    scoreOf(player).judged(index, judgement.points);
    return judgement;
}

void PressJudge::showWord(int player, const char* word)
{
    texts.showWord(player, word);
    tell({player, noLane, 0, word});
}

void PressJudge::missed(int player, const Arrow& arrow)
{
    scoreOf(player).missed();
    if (arrow.followsSong())
        pressErrors.recordMiss(player, arrow.getNoteMs());
}

void PressJudge::mineHit(int player)
{
    scoreOf(player).mineHit(ChartPlayer::minePenalty);
    showWord(player, "Boom");
    if (auto* sound = ObjectRegistry::instance()->findAs<SoundManager>("SoundManager"))
        sound->play("Explosion1");
}

void PressJudge::applyRemote(const Earned& earned)
{
    if (earned.player != 1 && earned.player != 2)
        return;
    if (earned.arrowNumber != 0) {
        if (Arrow* arrow = fields.take(earned.player, [&earned](const Arrow& candidate) {
                return candidate.getNumber() == earned.arrowNumber;
            }))
            arrow->hideForPlayer(earned.player);
    }
    if (const std::size_t judgement = Judgements::indexOf(earned.word); judgement < Judgements::count)
        scoreOf(earned.player).judged(judgement, 0);
    texts.showWord(earned.player, earned.word);
}

void PressJudge::logTotals(const std::string& winner) const
{
    const auto pointsOf = [](const Player* player) { return player ? player->getPoints() : 0u; };
    RoundLog::totals({pointsOf(player1), pointsOf(player2)}, scores, winner);
    pressErrors.log();
}

void PressJudge::tell(const Earned& earned) const
{
    if (earnedListener)
        earnedListener(earned);
}

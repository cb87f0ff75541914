#include "game/SongEnd.h"

#include "core/ObjectRegistry.h"
#include "game/PlayTexts.h"
#include "game/PlayerManager.h"
#include "game/PressJudge.h"
#include "game/RoundLog.h"
#include "platform/SystemClock.h"
#include "sound/SoundManager.h"

#include <string>

void SongEnd::noteStart(const SoundManager* sound)
{
    if (sound)
        underrunsAtStart = sound->getUnderrunCount();
}

void SongEnd::check(SoundManager* sound, const char* stream, bool started, const ChartPlayers& chartPlayers)
{
    if (!sound)
        return;
    if (sound->getStreamTime(stream) < sound->getStreamLength(stream))
        return;
    auto* players = ObjectRegistry::instance()->findAs<PlayerManager>("PlayerManager");
    const std::string winner = players ? players->winnerName() : std::string();
    texts.showWinner(winner.c_str());
    if (started && !finalTotalsLogged) {
        finalTotalsLogged = true;
        endTick = platform::SystemClock::tickCount();
        judge.logTotals(winner);
        RoundLog::chartResults(chartPlayers);
        sound->reportUnderrunsSince(underrunsAtStart);
    }
}

void SongEnd::newRound()
{
    finalTotalsLogged = false;
    underrunsAtStart = 0;
}

#include "flow/OffsetKeys.h"

#include "core/ConfigFileWriter.h"
#include "core/OutputHandler.h"
#include "flow/Calibration.h"
#include "game/ArrowManager.h"
#include "game/Player.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

bool OffsetKeys::onKey(std::uint8_t code, const ArrowManager& arrows)
{
    if (code != player1Key && code != player2Key)
        return false;
    apply(code == player1Key ? 1 : 2, arrows);
    return true;
}

void OffsetKeys::reset()
{
    shiftMs = 0.0;
    rejudged.reset();
}

// The mean is taken of the distances as the offset already moved them.
void OffsetKeys::apply(int player, const ArrowManager& arrows)
{
    OutputHandler* log = OutputHandler::find();
    const PressJudge& judging = arrows.judging();
    const std::vector<double>& distances = judging.getPressErrors(player);
    SoundManager* sound = SoundManager::instance();
    if (distances.empty() || !sound) {
        OutputHandler::log(log, "Results: Player %d has no judged presses to set the offset from", player);
        return;
    }
    const double mean
        = std::accumulate(distances.begin(), distances.end(), 0.0) / static_cast<double>(distances.size());
    const long before = std::lround(sound->getGlobalOffset());
    const long after = std::clamp(before + std::lround(mean - shiftMs), -largestOffsetMs, largestOffsetMs);
    if (after == before) {
        OutputHandler::log(log, "Results: Player %d's presses are centred; GlobalOffset stays %ld ms", player, before);
        return;
    }
    if (!ConfigFileWriter::setValue(Calibration::configPath, "Sound", "GlobalOffset", std::to_string(after))) {
        OutputHandler::report(log, Warning, "Results: Could not write the GlobalOffset to '%s', nothing was changed",
                              Calibration::configPath);
        return;
    }
    sound->setGlobalOffset(static_cast<double>(after));
    shiftMs += static_cast<double>(after - before);
    const auto pointsOf = [&judging](int number) {
        const Player* target = judging.playerNumber(number);
        return target ? target->getPoints() : 0u;
    };
    rejudged = Rejudge::of(judging.getPressDistances(), {&judging.scoreOf(1), &judging.scoreOf(2)},
                           {pointsOf(1), pointsOf(2)}, shiftMs);
    const Rejudge::Side& one = rejudged->players[0];
    const Rejudge::Side& two = rejudged->players[1];
    OutputHandler::log(log,
                       "Results: GlobalOffset = %ld ms saved (%+ld from player %d's mean); re-judged: player 1 %u "
                       "points, player 2 %u points, winner: %s; the records keep the round as played",
                       after, after - before, player, one.points, two.points,
                       rejudged->winner == 0 ? "noone" : rejudged->winner == 1 ? "player 1" : "player 2");
}

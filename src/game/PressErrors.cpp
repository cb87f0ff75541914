#include "game/PressErrors.h"

#include "game/RoundLog.h"

void PressErrors::record(int player, double noteMs, double pressMs, std::size_t judgement)
{
    errors[index(player)].push_back(pressMs - noteMs);
    notesMs[index(player)].push_back(noteMs);
    words[index(player)].push_back(judgement);
}

void PressErrors::recordMiss(int player, double noteMs)
{
    missesMs[index(player)].push_back(noteMs);
}

void PressErrors::clear()
{
    for (std::size_t player = 0; player < errors.size(); ++player) {
        errors[player].clear();
        notesMs[player].clear();
        words[player].clear();
        missesMs[player].clear();
    }
}

void PressErrors::log() const
{
    RoundLog::timing(1, notesMs[0], errors[0]);
    RoundLog::timing(2, notesMs[1], errors[1]);
}

#pragma once

#include "library/RecordedRound.h"

#include <string>

class Match;

// The song's end for the records: the round's recording is completed with
// each player's name, chart, speed, the song and the rate, and each player's
// round on the chart they played goes to the record keeper with the round
// as its replay.
class RoundRecords {
public:
    // The round as recorded, completed; `songFolder` empty for the game's own song.
    static const library::RecordedRound& finish(Match& match, const std::string& songFolder);
    // A player who hit nothing at all (not playing), or whom the bot played,
    // sets no record; the round is kept with the records of whoever played it.
    static void submit(Match& match, const library::RecordedRound& round);
};

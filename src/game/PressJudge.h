#pragma once

#include "game/Arrow.h"
#include "game/Judgements.h"
#include "game/PlayerScore.h"
#include "game/PressErrors.h"
#include "game/RoundRecorder.h"
#include "game/SongClock.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class FairPoints;
class GoalMarker;
class Player;
class PlayerFields;
class PlayTexts;
class SongPlayer;

// Judges the players' presses against the arrows in their fields: the word
// a press earns, its points and counts (PlayerScore), its distance from the
// note (PressErrors), the announcer's "Godlike", and the word told to
// whoever listens (a network battle). Hold ends and mines, judged by the
// chart players, earn their words here too.
class PressJudge {
public:
    // A word a player earned: a judged press (with the lane and the arrow's
    // number), or a hold's end or a mine (lane noLane, arrow 0).
    struct Earned {
        int player = 0;
        std::uint8_t lane = 0xff;
        std::uint32_t arrowNumber = 0;
        const char* word = "";
    };
    static constexpr std::uint8_t noLane = 0xff;

    PressJudge(PlayerFields& fields, PlayTexts& texts) : fields(fields), texts(texts) {}

    // Finds the two players (through the player manager) and the goal
    // markers "Goal0" to "Goal3"; the scores count into the players and the
    // combo texts.
    void findPlayers();
    void attachScores();
    void findGoals();
    // Counts, combos and press distances start afresh.
    void newRound();
    void setFairPoints(const FairPoints& fair);

    // The oldest arrow of the lane that the event can hit (Arrow::hitBy) and
    // that was judgeable at its moment is judged, unless the lane's goal
    // marker is hidden for the player (a missile blocks it): then false.
    // `roundBlocked`, in a replay, says whether the round found it blocked.
    bool judgeLane(int player, std::uint8_t lane, const SongClock::Press& press, Arrow::LaneEvent event,
                   SongPlayer& song, std::optional<bool> roundBlocked = std::nullopt);
    // An arrow that passed the player unhit: a miss, kept with its note's
    // time for the results' timing plot.
    void missed(int player, const Arrow& arrow);
    // The word, sound and points a press of this quality earns the player.
    const Judgement& judge(float quality, int player);
    // A word a hold's end or mine earned: shown and told.
    void showWord(int player, const char* word);
    // A mine costs points, never more than the player has.
    void mineHit(int player);
    // A word the other machine judged for its player: the numbered arrow
    // leaves that player's field, the word shows and a press word is counted.
    // Points are the other machine's to tell.
    void applyRemote(const Earned& earned);
    // Told of every word a player earns (a network battle sends its own player's).
    void setEarnedListener(std::function<void(const Earned&)> listener) { earnedListener = std::move(listener); }

    // The player's counts, points and combo (player 2 for any number but 1).
    PlayerScore& scoreOf(int player) { return scores[player == 1 ? 0 : 1]; }
    const PlayerScore& scoreOf(int player) const { return scores[player == 1 ? 0 : 1]; }
    // Judged presses' distances from their notes in ms (negative: early).
    const std::vector<double>& getPressErrors(int player) const { return pressErrors.of(player); }
    // The same with the notes' times, the words earned and the misses.
    const PressErrors& getPressDistances() const { return pressErrors; }
    // Every press and release of the round as it came, with what it hit.
    RoundRecorder& recording() { return recorder; }
    Player* playerNumber(int player) const { return player == 1 ? player1 : player == 2 ? player2 : nullptr; }
    // The totals and timing lines of the song's end.
    void logTotals(const std::string& winner) const;

private:
    void tell(const Earned& earned) const;
    void record(int player, std::uint8_t lane, const SongClock::Press& press, Arrow::LaneEvent event,
                std::uint8_t hit);

    PlayerFields& fields;
    PlayTexts& texts;
    Player* player1 = nullptr;
    Player* player2 = nullptr;
    std::array<GoalMarker*, 4> goals{};
    std::array<PlayerScore, 2> scores;
    PressErrors pressErrors;
    RoundRecorder recorder;
    std::function<void(const Earned&)> earnedListener;
};

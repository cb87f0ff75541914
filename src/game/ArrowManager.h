#pragma once

#include "core/Object.h"
#include "game/Arrow.h"
#include "game/Judgements.h"
#include "game/PressErrors.h"
#include "game/PlayerScore.h"
#include "game/ScrollSpeed.h"
#include "game/SongClock.h"
#include "sound/SoundManager.h"

#include <array>
#include <functional>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace chart {
struct Song;
}

class ChartPlayer;
class Dancer;
class GoalMarker;
class Player;
class StepFileManager;
class Text;

// Turns the chart into arrows in time with the song and judges the players'
// presses. Registered as "ArrowManager".
//
// Timing: a note reaches the goal line when its beat sounds. Each arrow needs
// `lead` ms from the spawn line to the goal line, so the first step is due at
// the chart's gap minus `lead` on the song clock, and the k-th step k half
// beats later. Steps are taken only while the song plays.
//
// Given a player's song, the manager plays that song's charts instead, one
// per player, each in its own field (ChartPlayer); the game's own chart is
// still read at start-up. Which song plays, the song panel, the calibration,
// the results and the rounds are the match's (src/flow).
class ArrowManager : public Object {
public:
    static constexpr const char* stepFilePath = "Data\\Dwi\\Coconut.DWI";
    static constexpr const char* streamName = "Coconut";
    // The stream of a player's song.
    static constexpr const char* chartStreamName = "Song";
    // Arrows above this height leave the field of each player who missed them.
    static constexpr float missHeight = 5.0f;
    // Gimmick keys do nothing before the song clock passes this.
    static constexpr std::uint32_t gimmickGuardMs = 100;

    // What one press earned; the table best first.
    using Judgement = ::Judgement;
    static constexpr std::size_t judgementCount = Judgements::count;
    static inline const std::array<Judgement, judgementCount>& judgements = Judgements::table;

    ArrowManager();
    ~ArrowManager() override;

    // Reads the chart, creates the judgement and winner texts and finds the
    // players and goal markers. Needs the scene graph, the goal markers, the
    // player manager and the step file reader.
    void init();
    // Back to the state right after start-up, for another round without
    // loading anything again: every arrow of the last round leaves the scene
    // (made inactive), the step schedule, song readings, tallies, press
    // errors and texts start afresh, the song stream is stopped and its clock
    // set back to 0, and the chart players start again from their charts'
    // first notes. Points, gimmicks, sidebars, the dancer and the results are
    // their owners' to reset.
    void newRound();
    // Once per frame, after the input and before the scene graph; `tick` is
    // the tick count taken at the start of the frame.
    void update(std::uint32_t tick);
    // A bound key or button of a player (1 or 2) is down while the song
    // plays: actions 1 to 4 are Up, Right, Down, Left; 5 to 8 the slots. The
    // press is judged where the song was at `pressTick`, the tick count at
    // which the key went down (without it: now). On a player's song only a
    // new press judges an arrow: a direction still down from before (a hold)
    // keeps holds and sets off mines but hits no arrow arriving under it.
    void onPlayerAction(std::uint8_t player, std::uint8_t action);
    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress = true);
    // A direction of a player went up at `releaseTick`: on a player's song
    // it judges the lane's lift, by where the song was then.
    void onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick);
    // The input handler's second kind of event; nothing reacts to it.
    void onPlayerEvent(std::uint8_t) {}
    // Plays the song from its start, as of the moment of `pressTick`; a start
    // `fromMs` late (a moment agreed with another machine) plays from there.
    // A player's song whose first note comes too soon for its arrow to rise
    // from the spawn line starts with a lead-in (ChartPlayer::leadInMs, the
    // larger of the two players').
    void startSong(std::uint32_t pressTick, double fromMs = 0.0);
    // From the next start on, each player plays their chart (by index) of
    // this song instead of the game's own; a bad index plays the first.
    void playSong(std::unique_ptr<chart::Song> song, const std::array<std::size_t, 2>& chartIndex);
    void playGamesOwnSong();
    // A pause: the song clock and the music stop where they are, and nothing
    // moves, is spawned or judged until the song goes on, as of `tick`, from
    // that very song time. Not before the song starts or after its end.
    void pauseSong();
    void resumeSong(std::uint32_t tick) { clock.resume(songStream, tick); }
    bool isPaused() const { return clock.isPaused(); }
    // Each player's scroll speed, from the next start of the song on (before
    // it starts).
    void setSpeeds(const std::array<ScrollSpeed, 2>& chosen);
    const std::array<ScrollSpeed, 2>& getSpeeds() const { return speeds; }

    // Null when there is no scene graph or carrier arrow to link it under.
    Arrow* spawnArrow(std::uint8_t lane);
    void judge(float quality, int player);

    // The dancer node stores itself here when it is constructed; not owned.
    void setDancer(Dancer* node) { dancer = node; }
    Dancer* getDancer() const { return dancer; }

    // The player's open arrows, oldest first (empty for other numbers).
    const std::vector<Arrow*>& getArrows(int player) const;
    Text* getQualityText(int player) const { return player == 1 ? p1QualityText : p2QualityText; }
    Text* getComboText(int player) const { return comboTexts[player == 1 ? 0 : 1]; }
    Text* getWinnerText() const { return winnerText; }
    // Hits of each judgement for the player, best first.
    const std::array<std::uint32_t, judgementCount>& getTally(int player) const;
    // The player's counts, points and combo (player 2 for any number but 1).
    PlayerScore& scoreOf(int player) { return scores[player == 1 ? 0 : 1]; }
    const PlayerScore& scoreOf(int player) const { return scores[player == 1 ? 0 : 1]; }
    double getLead() const { return lead; }
    // The song time of this frame's arrows, in ms.
    double getSongNow() const { return songNow; }
    // Judged presses' distances from their notes in ms (negative: early).
    const std::vector<double>& getPressErrors(int player) const { return pressErrors.of(player); }
    bool isSongStarted() const { return startTick.has_value(); }
    // The tick count at which the song started, once it has.
    std::optional<std::uint32_t> getStartTick() const { return startTick; }
    // The song clock now, read afresh (the frame's arrows keep getSongNow).
    SongClock::Reading readSongClock() { return clock.now(songStream, startTick.has_value()); }
    // The song has ended and its totals are logged; from the tick count then.
    bool isSongOver() const { return finalTotalsLogged; }
    std::uint32_t getSongEndTick() const { return songEndTick; }

    // A player's song: its charts' players (null for the game's own song)
    // and the name of the stream the song plays on.
    bool playsChart() const { return chartPlayers[0] != nullptr; }
    // The player's song that plays from the next start on (null: the game's own).
    const chart::Song* getSong() const { return chosenSong.get(); }
    const ChartPlayer* getChartPlayer(int player) const;
    const char* getSongStream() const { return songStream; }

    // For the chart players: an arrow in one player's field only (judged:
    // in the player's list of arrows a press can hit), the judgement text,
    // the player, and a mine that went off.
    Arrow* spawnArrowFor(int player, std::uint8_t lane, bool judged);
    void showWord(int player, const char* word);
    Player* playerNumber(int player) const { return player == 1 ? player1 : player == 2 ? player2 : nullptr; }
    void mineHit(int player);

    static const Judgement& judgementFor(float quality) { return Judgements::forQuality(quality); }

    // A word a player earned: a judged press (with the lane and the arrow's
    // number), or a hold's end or a mine (lane noLane, arrow 0).
    struct Earned {
        int player = 0;
        std::uint8_t lane = noLane;
        std::uint32_t arrowNumber = 0;
        const char* word = "";
    };
    static constexpr std::uint8_t noLane = 0xff;
    // Told of every word a player earns (a network battle sends its own player's).
    void setEarnedListener(std::function<void(const Earned&)> listener) { earnedListener = std::move(listener); }
    // A word the other machine judged for its player: the numbered arrow
    // leaves that player's field, the word shows and a press word is counted.
    // Points are the other machine's to tell.
    void applyRemote(const Earned& earned);
    // Across two machines a press catches only missiles in its player's own
    // field (at one screen either player may catch any).
    void setCatchesOwnFieldOnly(bool ownFieldOnly) { catchesOwnFieldOnly = ownFieldOnly; }

private:
    static constexpr std::uint8_t firstDirection = 1;
    static constexpr std::uint8_t lastDirection = 4;
    static constexpr std::uint8_t lastSlot = 8;

    Text* createText(std::uint32_t duration, std::int8_t side, int secondHeight, const char* secondFace,
                     const char* path);
    using Press = SongClock::Press;

    void restartChartPlayers();
    void retireArrows();
    void clearTexts();
    void createComboTexts();
    void showQuality(int player, const char* word);
    Press pressAt(std::uint32_t pressTick);
    void scheduleStep(std::uint32_t tick);
    void takeStep(std::uint32_t tick, double arrivalMs);
    void placeArrows();
    void sweepMisses();
    bool passedUnhit(const Arrow& arrow) const;
    void timeOwnSteps();
    void checkSongEnd(SoundManager* sound);
    void logFinalTotals(const std::string& winner);
    void hitLane(std::uint8_t player, std::uint8_t lane, const Press& press, Arrow::LaneEvent event);
    void catchGimmick(std::uint8_t player, std::uint8_t lane, std::uint32_t msAgo);
    void onSlot(std::uint8_t player, std::uint8_t action, const Press& press);

    std::vector<Arrow*>& arrowsOf(int player) { return player == 1 ? p1Arrows : p2Arrows; }

    // The dancer hears of every step once its node exists.
    Dancer* dancer = nullptr;
    // Linked into the scene graph, which owns them.
    Text* p1QualityText = nullptr;
    Text* p2QualityText = nullptr;
    Text* winnerText = nullptr;
    std::array<Text*, 2> comboTexts{};
    Player* player1 = nullptr;
    Player* player2 = nullptr;
    std::array<GoalMarker*, 4> goals{};
    // Song-clock times in ms, kept as whole numbers in doubles: they may lie
    // before the song's start, and every step counts from the first one, so
    // rounding never accumulates.
    double firstStepTime = 0.0;
    double nextStepTime = 0.0;
    std::uint64_t stepsTaken = 0;
    std::optional<std::uint32_t> startTick;
    // The scene graph owns the arrows; the lists only refer to them.
    std::vector<Arrow*> p1Arrows;
    std::vector<Arrow*> p2Arrows;
    // Arrows still shown in either field, placed from the song clock.
    std::vector<Arrow*> moving;
    double songNow = 0.0;
    SongClock clock;
    PressErrors pressErrors;
    std::unique_ptr<chart::Song> chosenSong;
    std::array<std::unique_ptr<ChartPlayer>, 2> chartPlayers;
    const char* songStream = streamName;
    StepFileManager* stepFile = nullptr;
    std::string noteCopy;
    std::size_t noteCursor = 0;
    float travel = 0.0f;
    float bpm = 0.0f;
    int gap = 0;
    // Milliseconds from an arrow's spawn to the goal line.
    double lead = 0.0;
    std::array<ScrollSpeed, 2> speeds{};
    // The players' height factors for the game's own song.
    std::array<double, 2> ownSpeeds{1.0, 1.0};
    // Half a beat in ms: one note character per step.
    double stepLength = 0.0;
    std::array<std::uint8_t, lastSlot> actionLanes{};
    std::array<PlayerScore, 2> scores;
    // Arrows each player's field has had, for their numbers.
    std::array<std::uint32_t, 2> arrowsNumbered{};
    std::function<void(const Earned&)> earnedListener;
    bool catchesOwnFieldOnly = false;
    bool finalTotalsLogged = false;
    // When the song's end was noted.
    std::uint32_t songEndTick = 0;
    // The sound device's underrun count when the song started.
    std::uint64_t underrunsAtStart = 0;
};

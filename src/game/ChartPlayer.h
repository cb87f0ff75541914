#pragma once

#include "chart/Chart.h"
#include "game/SongPlayer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class PlayerFields;
class PressJudge;

// One player's chart of a player's song (an SM, SSC or DWI file) as it is
// played: its notes become arrows in the player's own field as they come
// within reach of the spawn line, and every frame each arrow takes its height
// from the song's beat, so arrows stand still during a stop. Taps and the
// heads of holds and rolls are judged by the press judge like the game's
// own arrows, but by their distance in ms (MsWindows), the same at every
// tempo; this keeps the holds and the mines.
//
// A hold whose head was hit stays at the goal line while its tail runs out;
// keeping the lane down to the end (a release of up to `releaseGraceMs` is
// forgiven) is "OK" and `holdPoints`, letting go is "NG". A roll is kept
// like a hold, by holding or by tapping. A mine that passes the goal line
// while its lane is down costs `minePenalty` points and shows "Boom".
class ChartPlayer : public SongPlayer {
public:
    // The stream a player's song plays on.
    static constexpr const char* streamName = "Song";
    static constexpr std::uint32_t releaseGraceMs = 250;
    static constexpr std::uint32_t holdPoints = 400;
    static constexpr std::uint32_t minePenalty = 200;
    static constexpr const char* mineTexturePath = "Data/Textures/mine.tga";
    // A lead-in gives the first arrow this much more than it needs.
    static constexpr double leadInMarginMs = 1000.0;

    struct Results {
        std::uint32_t holdsOk = 0;
        std::uint32_t holdsNg = 0;
        std::uint32_t minesHit = 0;
    };

    // Arrows rise `speed` units per beat (the player's scroll speed) and
    // appear once they are `travel` units below the goal line.
    ChartPlayer(PlayerFields& fields, PressJudge& judge, int player, const chart::Chart& chart, float travel,
                double speed = 1.0);

    // Once per frame after the presses, once the song has started: spawns,
    // places, ends holds, sets off mines. `tick` is the frame's tick count.
    void update(double songMs, std::uint32_t tick, bool started, Dancer* dancer) override;
    // A direction of the player is down this frame (pressed or held).
    void onLaneDown(std::uint8_t lane, std::uint32_t tick) override;
    // The head of a hold or roll was judged: true when the arrow now holds
    // (and stays in the field), false for a plain note.
    bool startHold(Arrow* arrow) override;

    // How long before the music's start the song clock must start so that
    // the first note's arrow (of any kind) rises from the spawn line: what
    // its travel lacks, plus leadInMarginMs; 0 when it has the time.
    double leadInMs() const override;
    // The song time at which the first note's arrow appears on the spawn
    // line (0 without notes).
    double firstSpawnMs() const;

    const chart::Chart& getChart() const { return chart; }
    double getSpeed() const { return speed; }
    const Results& getResults() const { return results; }

private:
    struct Hold {
        Arrow* arrow = nullptr;
        std::uint8_t lane = 0;
        double endBeat = 0.0;
        double endMs = 0.0;
    };
    struct NoteArrow {
        Arrow* arrow = nullptr;
        const chart::Note* note = nullptr;
        bool held = false;
        // A mine that has passed the goal line, gone off or not.
        bool passed = false;
    };

    void spawnDue(double songBeat, double songMs, std::uint32_t tick, Dancer* dancer);
    void spawnNote(const chart::Note& note);
    void place(double songBeat);
    void settleHolds(double songMs, std::uint32_t tick);
    void setOffMines(double songMs);
    bool laneDownThisFrame(std::uint8_t lane) const;
    static char danceStep(const std::vector<const chart::Note*>& row);

    PlayerFields& fields;
    PressJudge& judge;
    const int player;
    const chart::Chart& chart;
    const double travel;
    const double speed;
    std::size_t nextNote = 0;
    // The player's arrows still in the field, with their notes.
    std::vector<NoteArrow> arrows;
    std::vector<Hold> holds;
    Results results;
    // Per lane: the frame it was last down in, and when.
    std::array<std::uint64_t, 4> downFrame{};
    std::array<std::uint32_t, 4> downTick{};
    std::uint64_t frame = 1;
};

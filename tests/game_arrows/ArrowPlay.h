#pragma once

#include "support/ArrowStage.h"

#include "game/ArrowManager.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

// Playing a stage frame by frame, with presses stamped at their song times.
namespace arrowtest {

// Beat 0 at 1 s, 120 BPM, a stop of 0.5 s on beat 4, 240 BPM from beat 8.
// Columns: Left, Down, Up, Right. A hold on Down (beats 1-3), a mine on
// Left (beat 6), a jump (beat 7), a roll on Left (beats 10-11); judged notes
// on beats 0, 1, 4, 5, 7 (two), 8, 9, 10 and 12.
inline const char* const stopsAndTempoChanges
    = "#TITLE:Test;\n#ARTIST:Us;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n"
      "#BPMS:0.000=120.000,8.000=240.000;\n#STOPS:4.000=0.500;\n"
      "#NOTES:\n     dance-single:\n     :\n     Hard:\n     9:\n     0,0,0,0,0:\n"
      "1000\n0200\n0000\n0300\n,\n0001\n0010\nM000\n1001\n,\n"
      "0100\n0010\n4000\n3000\n,\n0001\n0000\n0000\n0000\n;\n";

// The moment of a song time `at` that lies within the frame ending at `to`.
inline std::uint32_t stampAt(ArrowStage& stage, double to, double at)
{
    return stage.now() - static_cast<std::uint32_t>(std::lround(to - at));
}

// `frames` frames of `ms`; `each` runs before every frame's update with the
// song time of the frame's start and its end.
inline void playFrames(ArrowStage& stage, int frames, std::uint32_t ms,
                       const std::function<void(double from, double to)>& each)
{
    for (int frame = 0; frame < frames; ++frame) {
        const double from = stage.arrows().songRun().now();
        stage.frame(ms, [&] { each(from, from + ms); });
    }
}

// Each player presses every chart arrow once its beat, plus the player's
// lateness, has passed on the ticks since the song started; `next` holds
// each player's next arrow.
inline void pressArrowsLate(ArrowStage& stage, const std::vector<ChartArrow>& arrows, std::array<std::size_t, 2>& next,
                            std::array<double, 2> lateByMs, std::uint8_t players = 2)
{
    const std::uint32_t at = stage.now() - stage.songStart();
    for (std::uint8_t player = 1; player <= players; ++player) {
        for (auto& n = next[player - 1]; n < arrows.size() && arrows[n].beatMs + lateByMs[player - 1] <= at; ++n)
            stage.arrows().onPlayerAction(player, laneActions[arrows[n].lane]);
    }
}

// A press of a lane at a song time; a hold's key stays down until `releaseMs`.
struct Step {
    double ms;
    std::uint8_t action;
    double releaseMs = 0;
};

// Player `player` presses each step whose time falls in the frame exactly on
// its time, and keeps holds down to their ends as the input handler repeats
// a held key.
inline void pressExactly(ArrowStage& stage, std::uint8_t player, double from, double to, const std::vector<Step>& steps)
{
    for (const Step& step : steps) {
        if (step.ms > from && step.ms <= to)
            stage.arrows().onPlayerAction(player, step.action, stampAt(stage, to, step.ms));
        else if (step.releaseMs > 0 && step.ms <= from && from < step.releaseMs)
            stage.arrows().onPlayerAction(player, step.action, stage.now(), false);
    }
}

} // namespace arrowtest

#pragma once

#include <cstdint>

class Arrow;
class Dancer;

// What plays the arrows of a song: the game's own song (OwnSongStepper, for
// both players at once) or one player's chart of a player's song
// (ChartPlayer). The arrow manager drives it on the song clock and asks it
// about the presses it judges.
class SongPlayer {
public:
    virtual ~SongPlayer() = default;

    // Once per frame while the song is not paused, after the presses;
    // `started`: the song has been started. `tick` is the frame's tick count.
    virtual void update(double songMs, std::uint32_t tick, bool started, Dancer* dancer) = 0;
    // A direction of the player is down this frame (pressed or held).
    virtual void onLaneDown(std::uint8_t lane, std::uint32_t tick) = 0;
    // A judged arrow: true when it now holds (and stays in the field).
    virtual bool startHold(Arrow* arrow) = 0;
    // How long before the music's start the song clock must start so that
    // the first arrow rises from the spawn line (0: it has the time).
    virtual double leadInMs() const = 0;
};

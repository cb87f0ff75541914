#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class SoundManager;

// The timing calibration of the story screen. F9 starts a click track at 120
// beats per minute; the player taps a step key on each click. After
// `tapsNeeded` taps the median distance from tap to click is the offset at
// which the player hears the music, shown with its spread; F9 again saves it
// as "GlobalOffset" in section "Sound" of the configuration and puts it to
// use at once.
class Calibration {
public:
    static constexpr const char* streamName = "Calibration";
    static constexpr const char* streamPath = "Data/Sound/calibration.wav";
    static constexpr const char* configPath = "Conf/global.cfg";
    // Where the click track's clicks sound.
    static constexpr double firstClickMs = 1000.0;
    static constexpr double clickSpacingMs = 500.0;
    static constexpr std::size_t tapsNeeded = 16;

    enum class State { Off, Tapping, Measured };

    // The median of the distances and half their interquartile range, in ms.
    struct Result {
        double offsetMs = 0.0;
        double spreadMs = 0.0;
    };

    // F9: starts (or starts over) the click track; once measured, saves.
    void onKey(SoundManager& sound);
    // A step key went down `msAgo` ms ago.
    void tap(SoundManager& sound, std::uint32_t msAgo);
    // Silences the click track and forgets the taps (the song is starting).
    void stop(SoundManager& sound);

    State getState() const { return state; }
    // The line the story screen shows; empty when off.
    std::string statusLine() const;

    // How far a tap at stream time `tapMs` lies from its nearest click.
    static double distanceToClick(double tapMs);
    static Result measure(std::vector<double> distances);

private:
    void start(SoundManager& sound);
    void save(SoundManager& sound);

    State state = State::Off;
    bool streamAdded = false;
    std::vector<double> distances;
    Result result;
    std::string lastMessage;
};

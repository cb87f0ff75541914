#pragma once

#include "core/Object.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {
class AudioEngine;
}
class Sound;

// Plays the song and the effects, every one a named Sound, and gives the song
// clock. Registered as "SoundManager"; one per process, created on first request.
class SoundManager : public Object {
public:
    static constexpr float minimumVersion = 3.71f;

    // The process-wide manager, created on first call and again after a
    // registry teardown destroyed the previous one.
    static SoundManager* instance();

    ~SoundManager() override;

    // Opens the audio output; without a usable device the sounds play silently
    // but their clocks still run. Reads "MasterVolume" and "GlobalOffset" of
    // section "Sound".
    bool init(int mixRate, int channelCount, int flags);
    // Adds a stream under the name; true also when the file could not be opened.
    bool addSound(const char* path, const char* name);
    // The stream of that name now plays this file: added the first time,
    // its file replaced after that.
    bool setStream(const char* path, const char* name);
    // Whether the file opens as a sound, without adding it (or reporting).
    static bool canOpen(const std::string& path);
    // The first sound of that name (of that type; 0 for any), or null.
    Sound* find(const char* name);
    Sound* find(const char* name, int type);
    bool play(const char* name);
    bool playFrom(const char* name, double seconds, double tempo = 1.0);
    // Silences a playing stream; false when there is no such stream.
    bool stop(const char* name);
    // Silences the stream and sets its clock back to 0, as before it first
    // played; false when there is no such stream.
    bool rewind(const char* name);
    // Closes every sound of that name; nothing when there is none.
    void remove(const char* name);
    void setVolume(int volume);
    // The stream's play position and length in milliseconds; 0 when unknown.
    std::uint32_t getStreamTime(const char* name);
    std::uint32_t getStreamLength(const char* name);
    // The song clock the game plays by: the stream's position as the player
    // hears it, in ms of the music to a fraction, less the player's
    // "GlobalOffset" (a positive offset: the player hears the music later;
    // in ms of real time, so it counts the music's rate times) and the
    // song's own offset. Negative while the offsets are larger than the
    // position.
    double getSongTime(const char* name);
    // The song time and the tick count of one moment, read together: read
    // again when the thread was held up between the two.
    struct SongMoment {
        double songMs = 0.0;
        std::uint32_t tick = 0;
    };
    SongMoment getSongMoment(const char* name);
    double getGlobalOffset() const { return globalOffsetMs; }
    // The song's own offset, on top of the global one, in ms of the music
    // (the same sign: positive, the notes come later); 0 by default.
    void setSongOffset(double offsetMs) { songOffsetMs = offsetMs; }
    double getSongOffset() const { return songOffsetMs; }
    // Both offsets in ms of the music played at `tempo`: the global one is
    // the player's, in real time.
    double offsetAt(double tempo) const { return globalOffsetMs * tempo + songOffsetMs; }
    // The rate the song plays at (1 its own speed, 0.5 to 2 in steps of
    // 0.05): the song clock plays the music that many times as fast, at its
    // own pitch. Another value is clamped and rounded to a step, with a line.
    void setMusicRate(double rate);
    double getMusicRate() const { return musicRate; }
    static constexpr double slowestRate = 0.5;
    static constexpr double fastestRate = 2.0;
    static constexpr double rateStep = 0.05;
    // The rate clamped to the range and rounded to a step; 1 for what is not a number.
    static double validRate(double rate);
    void setGlobalOffset(double offsetMs) { globalOffsetMs = offsetMs; }

    // Advances the silent output to the current tick (a device runs by itself).
    void update();

    int getMaxChannels() const { return maxChannels; }
    std::uint64_t getUnderrunCount() const;
    // Logs the device underruns counted since `baseline` (an earlier
    // getUnderrunCount): a notice when there were none, a warning otherwise.
    void reportUnderrunsSince(std::uint64_t baseline) const;
    platform::AudioEngine& getEngine() { return *engine; }

private:
    SoundManager();
    void readGlobalOffset();

    std::vector<std::unique_ptr<Sound>> sounds;
    int maxChannels = 0;
    double globalOffsetMs = 0.0;
    double musicRate = 1.0;
    double songOffsetMs = 0.0;
    std::unique_ptr<platform::AudioEngine> engine;
};

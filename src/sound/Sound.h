#pragma once

#include "core/Object.h"

namespace platform {
class AudioEngine;
class AudioSample;
class AudioStream;
}

// One sound of the sound manager, found by its name: a sample decoded into
// memory, or a stream played from its file. Not registered.
class Sound : public Object {
public:
    enum Type { None = 0, Sample = 1, Stream = 2 };

    explicit Sound(platform::AudioEngine& engine, const char* name = "Sound");
    ~Sound() override;

    bool loadSample(const char* path);
    bool loadStream(const char* path);
    // Starts the sound on a free channel (a playing stream starts over).
    bool play();
    // A stream from `seconds` into its file, `tempo` times as fast at its own
    // pitch; a sample from its start.
    bool playFrom(double seconds, double tempo = 1.0);

    int getType() const { return type; }
    platform::AudioStream* getStream() const { return stream; }
    platform::AudioSample* getSample() const { return sample; }
    int getChannel() const { return channel; }

private:
    void release();

    platform::AudioEngine& engine;
    platform::AudioSample* sample = nullptr;
    platform::AudioStream* stream = nullptr;
    int type = None;
    int channel = -1;
};

#pragma once

#include <cstdint>

namespace platform {

class AudioSample;
class AudioStream;

// One change to what the mixer plays, handed from the game thread to the audio
// callback. Every play carries an id that is unique within the engine, so both
// sides can tell one play of a channel or a stream from the next.
struct AudioCommand {
    enum class Kind : std::uint8_t { PlayStream, PlaySample, Stop, StopSample };

    Kind kind = Kind::Stop;
    int channel = -1;
    std::uint32_t playId = 0;
    AudioStream* stream = nullptr;
    const AudioSample* sample = nullptr;
    std::int64_t issuedNs = 0;  // when the game started a stream's play
};

} // namespace platform

#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace soundtouch {
class SoundTouch;
}

namespace platform {

class AudioDecoder;

// Plays a decoder's stereo frames faster or slower at their own pitch, through
// SoundTouch. Runs on the decode side only (the engine's decode thread or the
// silent output's pump): SoundTouch allocates as its buffers grow, which the
// mixing callback must never do. Output frame n is the music at source frame
// n × tempo, from the first frame on.
class TimeStretcher {
public:
    static constexpr double slowest = 0.5;
    static constexpr double fastest = 2.0;

    explicit TimeStretcher(int sampleRate);
    ~TimeStretcher();
    TimeStretcher(const TimeStretcher&) = delete;
    TimeStretcher& operator=(const TimeStretcher&) = delete;

    // A new play at `tempo` (clamped to slowest..fastest): what was
    // stretched before is dropped.
    void restart(double tempo);
    double tempo() const { return currentTempo; }

    // Up to `frames` stretched frames into `out`, reading `source` as needed;
    // fewer only once the source has ended and the last frames are out.
    std::size_t read(AudioDecoder& source, float* out, std::size_t frames);

private:
    void feed(AudioDecoder& source);
    // Music ms to skip at the start (negative: silence to put first).
    double centringShift() const;

    const int sampleRate;
    std::unique_ptr<soundtouch::SoundTouch> engine;
    std::vector<float> input;
    double currentTempo = 1.0;
    bool sourceEnded = false;
    // Frames of the source skipped (positive) or of silence put in first
    // (negative) so that the music is heard at its time on average.
    long pendingShift = 0;
};

} // namespace platform

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sf_private_tag;

namespace platform {

// Decodes a sound file (WAV, MP3 and the other formats libsndfile reads) into
// interleaved stereo 32-bit float frames at the mixer's rate. Mono is copied to
// both sides, extra channels are dropped, other rates are resampled linearly.
class AudioDecoder {
public:
    static constexpr int outputChannels = 2;

    // Null when the file is missing or not a sound file libsndfile can read.
    static std::unique_ptr<AudioDecoder> open(const std::string& gamePath, int outputRate);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // Up to `frames` frames into `out`; fewer only at the end of the file.
    std::size_t read(float* out, std::size_t frames);
    // Back to the frame at `seconds` into the file (0: the first); false
    // when the file cannot seek.
    bool rewind(double seconds = 0.0);

    std::uint32_t lengthMs() const { return length; }
    int rate() const { return outputRate; }

private:
    AudioDecoder(sf_private_tag* file, int sourceRate, int sourceChannels, std::int64_t sourceFrames, int outputRate);

    // Source frames converted to stereo, at the source rate.
    std::size_t readSource(float* out, std::size_t frames);
    std::size_t readResampled(float* out, std::size_t frames);
    bool refill();

    sf_private_tag* file;
    const int sourceRate;
    const int sourceChannels;
    const int outputRate;
    std::uint32_t length;

    std::vector<float> interleaved;  // raw source frames of one read
    std::vector<float> window;       // stereo source frames around the resampling position
    std::size_t windowFrames = 0;
    double position = 0.0;           // resampling position in source frames, relative to the window
    bool sourceEnded = false;
};

} // namespace platform

#pragma once

#include "platform/AudioCommandQueue.h"
#include "platform/AudioStream.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

class AudioSample;
class Mixer;
class PulseOutput;

// The sound engine: streams and samples mixed by our own mixer into a
// PulseAudio server's stream (when SDL would play through one), an SDL audio
// device, or a silent output when there is no usable device.
//
// Threads. The game thread calls every public operation. With a device, its
// audio thread (SDL's, or PulseAudio's mainloop) runs the mixer in its
// callback, and a decode thread keeps each playing stream about a second ahead
// in its lock-free ring. The callback never decodes, never touches the disk,
// never allocates and never takes a lock that another thread of ours holds:
// the game thread hands it commands (play, stop) through a lock-free queue
// that it applies at the start of every buffer, and reads back what it needs
// (positions, which channels ended) from atomics.
// The game thread keeps its own book of the channels it has handed out.
//
// The silent output has no threads: it mixes on the game thread whenever the
// engine is called (or pumped), as many frames as the system tick count says
// have passed, decoding just before it mixes. Under a simulated tick source a
// whole song then plays deterministically in simulated time.
class AudioEngine {
public:
    enum class Output { Device, NoSound };

    static constexpr int defaultRate = 44100;
    static constexpr int defaultChannels = 32;

    AudioEngine();
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // The version of the sound interface this engine provides.
    static float version();

    // Chooses the output used by the next start; the device is the default.
    void setOutput(Output output) { requestedOutput = output; }
    // The output every engine made from now on starts with: the game's
    // simulated-time mode makes every sound silent and clocked by the ticks.
    static void setDefaultOutput(Output output) { defaultOutput = output; }
    // Opens the output. False when the device or the arguments could not be
    // used: the engine then runs the silent output at 44100 Hz with 32 channels.
    bool start(int mixRate, int channelCount);
    void close();
    bool isStarted() const { return started; }
    bool isSilent() const { return silent; }

    // Null when the file cannot be opened as a sound. Streams live until
    // closeStream or the engine's destruction.
    AudioStream* openStream(const std::string& gamePath);
    void closeStream(AudioStream* stream);
    // Silences the stream; playStream starts it again from the start.
    void stopStream(AudioStream* stream);
    // Silences the stream and takes its clock back to before its first play:
    // its position reads 0 again, not its length, until it plays anew.
    void rewindStream(AudioStream* stream);
    // Plays from the start (or from `fromSeconds` into the file), restarting
    // the stream if it is playing; its clock counts from there. Returns the
    // channel, or -1 when the engine is not started or every channel is busy.
    // At a `tempo` other than 1 (0.5 to 2, clamped) the music plays that much
    // faster at its own pitch, and the clock reads the music's time.
    int playStream(AudioStream* stream, double fromSeconds = 0.0, double tempo = 1.0);
    // The position in ms of the frame being heard now (the device's buffer
    // latency taken off): 0 before the stream plays, its length once it has
    // ended; never backwards within one play.
    std::uint32_t streamTimeMs(AudioStream* stream);
    // The same to a fraction of a millisecond.
    double streamPositionMs(AudioStream* stream);
    // What the device holds before a frame handed to it is heard.
    double outputLatencyMs() const;
    std::uint32_t streamLengthMs(const AudioStream* stream) const;
    // Music frames per frame played in the stream's last play (1 before any).
    double streamTempo(const AudioStream* stream) const;
    // Frames of the stream handed to the output in its current play.
    std::uint64_t streamFramesMixed(AudioStream* stream);

    // Decoded whole at load. Null when the file cannot be opened as a sound.
    AudioSample* loadSample(const std::string& gamePath);
    int playSample(AudioSample* sample);
    void freeSample(AudioSample* sample);

    // 0 silent to 255 full; clamped.
    void setMasterVolume(int volume);
    int masterVolume() const { return volume.load(); }

    // The silent output mixes up to the current tick; a device needs nothing.
    void pump();
    // Milliseconds of sound the silent output plays per tick millisecond (1
    // by default): tests run a song clock faster or slower than the ticks,
    // or stalled (0), as a real device may.
    void setSilentClockRate(double songMsPerTick) { silentRate = std::max(0.0, songMsPerTick); }

    // Device buffers in which a playing stream could not supply its frames.
    std::uint64_t underrunCount() const { return underruns.load(); }
    // Frames handed to the output since start.
    std::uint64_t framesHanded() const { return handed.load(); }

    // How long filling the output's buffers took, for the benchmark.
    struct RenderTiming {
        std::uint64_t count = 0;
        std::uint64_t totalNs = 0;
        std::uint64_t longestNs = 0;
    };
    RenderTiming renderTiming() const;
    int bufferFrames() const { return deviceBufferFrames; }
    int rate() const { return mixRate; }

    // Called by the output: applies the queued commands, then fills one buffer
    // of interleaved stereo floats, whose first frame is heard once
    // `framesBefore` more frames have played.
    void render(float* out, std::size_t frames, double framesBefore);

private:
    class DeviceLock;

    // What the game thread last put on a channel.
    struct ChannelClaim {
        std::uint32_t playId = 0;
        bool held = false;
        const AudioStream* stream = nullptr;
        const AudioSample* sample = nullptr;
    };
    // A closed stream or freed sample the callback may still hold, kept until
    // a buffer begun after its stop has been filled.
    struct Retired {
        std::unique_ptr<AudioStream> stream;
        std::unique_ptr<AudioSample> sample;
        std::uint64_t freeAfterRender = 0;
    };

    bool openDevice();
    bool openPulse();
    void startDecoding();
    std::uint32_t nextPlayId();
    bool channelBusy(int channel) const;
    // The channel the stream's current play holds, or -1 once it has ended.
    int channelOf(const AudioStream& stream) const;
    int claimFreeChannel() const;
    void send(const AudioCommand& command);
    void applyCommands();
    void apply(const AudioCommand& command);
    void retire(Retired retired);
    void releaseRetired();
    void startSilent();
    void decodeLoop();
    std::uint32_t framesToMs(std::uint64_t frames) const;
    static AudioStream::PlayState currentPlay(const AudioStream& stream);

    inline static Output defaultOutput = Output::Device;
    Output requestedOutput = defaultOutput;
    bool started = false;
    bool silent = false;
    int mixRate = defaultRate;
    int deviceBufferFrames = 0;
    std::uint32_t device = 0;
    std::unique_ptr<PulseOutput> pulse;
    // What the output held before the last buffer it asked for.
    std::atomic<double> latestFramesBefore{0.0};
    std::unique_ptr<Mixer> mixer;
    std::atomic<int> volume{255};
    std::atomic<std::uint64_t> underruns{0};
    std::atomic<std::uint64_t> handed{0};
    std::atomic<std::uint64_t> rendersBegun{0};
    std::atomic<std::uint64_t> renderCount{0};
    std::atomic<std::uint64_t> renderTotalNs{0};
    std::atomic<std::uint64_t> renderLongestNs{0};

    std::mutex streamsMutex;
    std::vector<std::unique_ptr<AudioStream>> streams;
    std::vector<std::unique_ptr<AudioSample>> samples;
    std::vector<Retired> retired;

    // Far more than the game changes in one device buffer.
    static constexpr std::size_t commandCapacity = 256;
    AudioCommandQueue commands{commandCapacity};
    std::vector<ChannelClaim> claims;
    std::uint32_t lastPlayId = 0;

    std::thread decoder;
    std::condition_variable decodeWake;
    bool decodeStopping = false;

    // The silent output's clock.
    std::uint32_t lastPumpTick = 0;
    double silentMs = 0.0;
    double silentRate = 1.0;
    std::vector<float> silentBuffer;
};

} // namespace platform

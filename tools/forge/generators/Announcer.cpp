// The announcer words: spoken by espeak-ng, then made deep and punchy here
// (pitch lowered, compressed, saturated, normalised).
#include "Generator.h"
#include "audio/Biquad.h"
#include "audio/Dynamics.h"
#include "writers/SoundFileReader.h"
#include "writers/WavWriter.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace forge {
namespace {

struct Word {
    const char* file;
    const char* text; // spelled for the speech engine
};

constexpr Word words[] = {
    {"dominating.wav", "Dominating!"}, {"godlike.wav", "God like!"},   {"humiliation.wav", "Humiliation!"},
    {"rampage.wav", "Rampage!"},       {"perfect.wav", "Perfect!"},    {"ultrakill.wav", "Ultra kill!"},
};

constexpr int outputRate = 44100;
// Below 1 the voice drops in pitch (and slows a little, which suits an announcer).
constexpr double pitchFactor = 0.8;

void speak(const std::string& text, const std::filesystem::path& wav)
{
    const std::string path = wav.string();
    std::vector<std::string> arguments = {"espeak-ng", "-v", "en-us+m3", "-s", "135", "-p", "28", "-a", "180",
                                          "-w",        path, text};
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t child = 0;
    if (posix_spawnp(&child, "espeak-ng", nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot run espeak-ng (is it installed?)");
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("espeak-ng failed to speak \"" + text + "\"");
}

std::vector<float> loadMono(const std::filesystem::path& wav, int& rate)
{
    std::string error;
    const auto result = SoundFileReader::read(wav, &error);
    if (!result || result->audio.frames() == 0)
        throw std::runtime_error("cannot read speech " + wav.string() + ": " + error);
    rate = result->audio.sampleRate;
    const auto& audio = result->audio;
    std::vector<float> mono(audio.frames());
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = audio.samples[i * static_cast<std::size_t>(audio.channels)];
    return mono;
}

std::vector<float> deepen(const std::vector<float>& speech, int rate)
{
    auto voice = dynamics::resample(speech, pitchFactor * rate / outputRate);
    Biquad rumble = Biquad::highPass(outputRate, 60.0);
    Biquad air = Biquad::lowPass(outputRate, 7000.0);
    for (float& sample : voice)
        sample = air.process(rumble.process(sample));
    dynamics::trimSilence(voice, 0.002f);
    dynamics::normalise(voice, 1.0f);
    dynamics::compress(voice, outputRate, 0.25f, 4.0f, 0.002, 0.08);
    dynamics::normalise(voice, 1.0f);
    dynamics::saturate(voice, 1.6f);
    dynamics::normalise(voice, 0.89f);
    return voice;
}

void generateAnnouncer(const std::filesystem::path& root)
{
    const auto scratch = std::filesystem::temp_directory_path() / ("flarevox-forge-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    for (const Word& word : words) {
        const auto spoken = scratch / word.file;
        speak(word.text, spoken);
        int rate = 0;
        const auto speech = loadMono(spoken, rate);
        PcmAudio audio;
        audio.sampleRate = outputRate;
        audio.channels = 1;
        audio.samples = deepen(speech, rate);
        WavWriter::write(root / "Data/Sound" / word.file, audio);
    }
    std::filesystem::remove_all(scratch);
}

} // namespace

FORGE_GENERATOR("announcer", generateAnnouncer);

} // namespace forge

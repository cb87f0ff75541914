#include "sound/SoundManager.h"

#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "platform/AudioDecoder.h"
#include "platform/AudioEngine.h"
#include "platform/SystemClock.h"
#include "sound/Sound.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

SoundManager* theManager = nullptr;

// An offset further than this from the music is no calibration but a typo.
constexpr double largestOffsetMs = 2000.0;

std::optional<std::string> soundValue(const char* key)
{
    const auto* parser = ObjectRegistry::instance()->findAs<ConfigFileParser>("ConfigFileParser");
    if (!parser)
        return std::nullopt;
    const ConfigFileParser::Section section = parser->getSection("Sound");
    const auto value = section.find(key);
    return value == section.end() ? std::nullopt : std::optional<std::string>(value->second);
}

std::optional<double> parseOffset(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || std::fabs(value) > largestOffsetMs)
        return std::nullopt;
    return value;
}

} // namespace

SoundManager::SoundManager()
    : Object(true, "SoundManager")
    , engine(std::make_unique<platform::AudioEngine>())
{
}

SoundManager* SoundManager::instance()
{
    if (!theManager)
        theManager = new SoundManager();
    return theManager;
}

SoundManager::~SoundManager()
{
    while (!sounds.empty())
        sounds.erase(sounds.begin());
    engine->close();
    if (theManager == this)
        theManager = nullptr;
}

bool SoundManager::init(int mixRate, int channelCount, int /*flags*/)
{
    OutputHandler* log = OutputHandler::find();
    OutputHandler::log(log, "Initializing SoundManager...");
    maxChannels = channelCount;
    OutputHandler::log(log, "... checking FMOD Version");
    if (platform::AudioEngine::version() < minimumVersion)
        OutputHandler::report(log, Error, "The FMOD Version is incorrect!");
    OutputHandler::log(log, "... initializing FMOD");
    if (!engine->start(mixRate, channelCount)) {
        OutputHandler::report(log, Error, "FMOD could not be initialized!");
        OutputHandler::log(log, "SoundManager: No usable audio device, the sound plays silently");
    }
    setVolume(ConfigFileParser::toInt(soundValue("MasterVolume").value_or("")));
    readGlobalOffset();
    return true;
}

// Missing or garbled, the offset is 0: the music as the device plays it.
void SoundManager::readGlobalOffset()
{
    globalOffsetMs = 0.0;
    const std::optional<std::string> text = soundValue("GlobalOffset");
    if (!text) {
        OutputHandler::report(OutputHandler::find(), Warning,
                              "SoundManager: No GlobalOffset in section Sound, the offset is 0 ms");
        return;
    }
    if (const std::optional<double> offset = parseOffset(*text)) {
        globalOffsetMs = *offset;
        OutputHandler::log(OutputHandler::find(), "SoundManager: GlobalOffset is %g ms", globalOffsetMs);
        return;
    }
    OutputHandler::report(OutputHandler::find(), Warning,
                          "SoundManager: GlobalOffset '%s' is not a number of milliseconds from -2000 to 2000, the "
                          "offset is 0 ms",
                          text->c_str());
}

bool SoundManager::addSound(const char* path, const char* name)
{
    auto sound = std::make_unique<Sound>(*engine, name ? name : "");
    sound->loadStream(path);
    sounds.push_back(std::move(sound));
    return true;
}

bool SoundManager::setStream(const char* path, const char* name)
{
    const std::string wanted = name ? name : "";
    for (const auto& sound : sounds) {
        if (sound->getName() == wanted)
            return sound->loadStream(path);
    }
    addSound(path, name);
    return find(name, Sound::Stream)->getStream() != nullptr;
}

bool SoundManager::canOpen(const std::string& path)
{
    return platform::AudioDecoder::open(path, platform::AudioEngine::defaultRate) != nullptr;
}

Sound* SoundManager::find(const char* name)
{
    return find(name, Sound::None);
}

Sound* SoundManager::find(const char* name, int type)
{
    const std::string wanted = name ? name : "";
    for (const auto& sound : sounds)
        if (sound->getName() == wanted && (type == Sound::None || sound->getType() == type))
            return sound.get();
    OutputHandler::report(OutputHandler::find(), Warning, "SoundManager: Could not find the sound '%s'!",
                          wanted.c_str());
    return nullptr;
}

bool SoundManager::play(const char* name)
{
    Sound* sound = find(name);
    return sound && sound->play();
}

bool SoundManager::playFrom(const char* name, double seconds, double tempo)
{
    Sound* sound = find(name);
    return sound && sound->playFrom(seconds, tempo);
}

double SoundManager::validRate(double rate)
{
    if (!std::isfinite(rate))
        return 1.0;
    const double steps = std::round(std::clamp(rate, slowestRate, fastestRate) / rateStep);
    return std::round(steps * rateStep * 100.0) / 100.0;
}

void SoundManager::setMusicRate(double rate)
{
    const double valid = validRate(rate);
    if (valid != rate)
        OutputHandler::report(OutputHandler::find(), Warning,
                              "SoundManager: The music rate %g is not one of 0.5 to 2.0 in steps of 0.05, it is %.2f",
                              rate, valid);
    if (valid != musicRate)
        OutputHandler::log(OutputHandler::find(), "SoundManager: The music plays at %.2fx", valid);
    musicRate = valid;
}

bool SoundManager::stop(const char* name)
{
    Sound* sound = find(name, Sound::Stream);
    if (!sound)
        return false;
    engine->stopStream(sound->getStream());
    return true;
}

bool SoundManager::rewind(const char* name)
{
    Sound* sound = find(name, Sound::Stream);
    if (!sound)
        return false;
    engine->rewindStream(sound->getStream());
    return true;
}

void SoundManager::remove(const char* name)
{
    const std::string unwanted = name ? name : "";
    std::erase_if(sounds, [&unwanted](const auto& sound) { return sound->getName() == unwanted; });
}

void SoundManager::setVolume(int volume)
{
    const int clamped = std::clamp(volume, 0, 255);
    OutputHandler::log(OutputHandler::find(), "SoundManager: Setting the Volume to %d...", clamped);
    engine->setMasterVolume(clamped);
}

std::uint32_t SoundManager::getStreamTime(const char* name)
{
    if (Sound* sound = find(name, Sound::Stream))
        return engine->streamTimeMs(sound->getStream());
    OutputHandler::report(OutputHandler::find(), Warning, "SoundManager: Could not get the time of the stream '%s'.",
                          name ? name : "");
    return 0;
}

double SoundManager::getSongTime(const char* name)
{
    Sound* sound = find(name, Sound::Stream);
    const double heard = sound ? engine->streamPositionMs(sound->getStream()) : 0.0;
    const double tempo = sound ? engine->streamTempo(sound->getStream()) : 1.0;
    return heard - offsetAt(tempo);
}

SoundManager::SongMoment SoundManager::getSongMoment(const char* name)
{
    constexpr int attempts = 3;
    SongMoment moment;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        moment.tick = platform::SystemClock::tickCount();
        moment.songMs = getSongTime(name);
        if (platform::SystemClock::tickCount() - moment.tick <= 1)
            break;
    }
    return moment;
}

std::uint32_t SoundManager::getStreamLength(const char* name)
{
    if (Sound* sound = find(name, Sound::Stream))
        return engine->streamLengthMs(sound->getStream());
    OutputHandler::report(OutputHandler::find(), Warning,
                          "SoundManager: Could not get the length of the stream '%s'.", name ? name : "");
    return 0;
}

void SoundManager::update()
{
    engine->pump();
}

std::uint64_t SoundManager::getUnderrunCount() const
{
    return engine->underrunCount();
}

void SoundManager::reportUnderrunsSince(std::uint64_t baseline) const
{
    const std::uint64_t count = getUnderrunCount() - std::min(baseline, getUnderrunCount());
    OutputHandler::report(OutputHandler::find(), count == 0 ? Notice : Warning,
                          "SoundManager: Audio underruns during the song: %llu",
                          static_cast<unsigned long long>(count));
}

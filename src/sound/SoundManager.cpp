#include "sound/SoundManager.h"

#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "platform/AudioEngine.h"
#include "sound/Sound.h"

#include <algorithm>
#include <string>

namespace {

SoundManager* theManager = nullptr;

std::string masterVolumeText()
{
    const auto* parser = ObjectRegistry::instance()->findAs<ConfigFileParser>("ConfigFileParser");
    if (!parser)
        return "";
    const ConfigFileParser::Section section = parser->getSection("Sound");
    const auto value = section.find("MasterVolume");
    return value == section.end() ? "" : value->second;
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
    setVolume(ConfigFileParser::toInt(masterVolumeText()));
    return true;
}

bool SoundManager::addSound(const char* path, const char* name)
{
    auto sound = std::make_unique<Sound>(*engine, name ? name : "");
    sound->loadStream(path);
    sounds.push_back(std::move(sound));
    return true;
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

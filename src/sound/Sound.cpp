#include "sound/Sound.h"

#include "core/OutputHandler.h"
#include "platform/AudioEngine.h"

Sound::Sound(platform::AudioEngine& engine, const char* name)
    : Object(false, name)
    , engine(engine)
{
}

Sound::~Sound()
{
    release();
}

void Sound::release()
{
    if (type == Sample)
        engine.freeSample(sample);
    else if (type == Stream)
        engine.closeStream(stream);
    sample = nullptr;
    stream = nullptr;
}

bool Sound::loadSample(const char* path)
{
    const char* gamePath = path ? path : "";
    OutputHandler::log(OutputHandler::find(), "Sound: Loading Sound Sample %s", gamePath);
    release();
    sample = engine.loadSample(gamePath);
    type = Sample;
    if (!sample) {
        OutputHandler::report(OutputHandler::find(), Error, "The following Sound Sample could not be loaded: %s",
                              gamePath);
        return false;
    }
    return true;
}

bool Sound::loadStream(const char* path)
{
    const char* gamePath = path ? path : "";
    OutputHandler::log(OutputHandler::find(), "Sound: Loading Sound Stream %s", gamePath);
    release();
    stream = engine.openStream(gamePath);
    type = Stream;
    if (!stream) {
        OutputHandler::report(OutputHandler::find(), Error, "The Stream could not be opened: %s", gamePath);
        return false;
    }
    return true;
}

bool Sound::play()
{
    return playFrom(0.0);
}

bool Sound::playFrom(double seconds, double tempo)
{
    if (type == Sample)
        channel = engine.playSample(sample);
    else if (type == Stream)
        channel = engine.playStream(stream, seconds, tempo);
    return true;
}

#include "flow/SongPreview.h"

#include "flow/Match.h"
#include "sound/SoundManager.h"

#include <algorithm>

void SongPreview::play(const std::string& music, double start, double lengthSeconds)
{
    SoundManager* sound = Match::findSound();
    if (!sound)
        return;
    playing = SoundManager::canOpen(music) && sound->setStream(music.c_str(), streamName);
    startSeconds = start;
    lengthMs = std::max(1000.0, lengthSeconds * 1000.0);
    if (playing)
        sound->playFrom(streamName, startSeconds);
}

void SongPreview::stop()
{
    if (!playing)
        return;
    playing = false;
    if (SoundManager* sound = Match::findSound())
        sound->stop(streamName);
}

void SongPreview::loop()
{
    SoundManager* sound = Match::findSound();
    if (!playing || !sound || sound->getStreamTime(streamName) < lengthMs)
        return;
    sound->playFrom(streamName, startSeconds);
}

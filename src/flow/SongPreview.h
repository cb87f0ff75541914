#pragma once

#include <string>

// The chosen song's sample on a stream of its own, played again from its
// start each time it has played its length.
class SongPreview {
public:
    static constexpr const char* streamName = "Preview";

    // From `startSeconds` into `music`, for at least a second; music that
    // cannot be opened plays nothing.
    void play(const std::string& music, double startSeconds, double lengthSeconds);
    void stop();
    // Once per update.
    void loop();

private:
    bool playing = false;
    double startSeconds = 0.0;
    double lengthMs = 0.0;
};

#pragma once

#include "platform/ImageDecoder.h"

#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <vector>

class Picture;
class StoryPage;

// The chosen song's banner on the song panel. Choosing a song starts reading
// its banner on a worker thread, so no frame waits for the decoding; the
// next frame after it is done makes the texture. Choosing another song drops
// the banner at once. A song without one, or with one that cannot be read
// (a warning says why), shows no banner.
class SongBanner {
public:
    // Banners are cut down to this size before they become a texture.
    static constexpr int maxWidth = 512;
    static constexpr int maxHeight = 256;
    // Where the panel shows the banner (scaled to fit, centred).
    static constexpr float boxLeft = 2.4f;
    static constexpr float boxRight = 4.8f;
    static constexpr float boxBottom = -3.25f;
    static constexpr float boxTop = -1.9f;

    SongBanner();
    ~SongBanner();
    SongBanner(const SongBanner&) = delete;
    SongBanner& operator=(const SongBanner&) = delete;

    // The chosen song's banner file (empty: none); the same file again
    // changes nothing.
    void choose(const std::filesystem::path& file);
    // Once per frame, on the thread that draws: a finished reading becomes
    // the shown banner.
    void update();
    void draw(const StoryPage& page) const;
    bool isShown() const;
    // Whether a reading is still under way.
    bool isLoading() const { return pending.valid(); }

    // The image scaled down (nearest pixel) to fit maxWidth by maxHeight,
    // keeping its proportions; a smaller image stays as it is.
    static platform::RgbaPixels fitted(platform::RgbaPixels image);

private:
    struct Reading {
        bool ok = false;
        platform::RgbaPixels image;
        std::string error;
    };
    static Reading read(const std::filesystem::path& file);

    std::filesystem::path chosen;
    std::future<Reading> pending;
    // Readings of songs chosen and left again before they were done; their
    // threads finish on their own and are collected here.
    std::vector<std::future<Reading>> abandoned;
    std::unique_ptr<Picture> picture;
};

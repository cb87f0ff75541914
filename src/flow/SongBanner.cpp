#include "flow/SongBanner.h"

#include "core/OutputHandler.h"
#include "flow/StoryPage.h"
#include "fx/Picture.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace {

template <typename T>
bool done(const std::future<T>& future)
{
    return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

} // namespace

SongBanner::SongBanner() = default;

// An abandoned reading is waited for here, at the end of the game.
SongBanner::~SongBanner() = default;

void SongBanner::choose(const std::filesystem::path& file)
{
    if (file == chosen)
        return;
    chosen = file;
    picture.reset();
    if (pending.valid())
        abandoned.push_back(std::move(pending));
    if (file.empty())
        return;
    try {
        pending = std::async(std::launch::async, &SongBanner::read, file);
    } catch (const std::system_error& error) {
        OutputHandler::report(OutputHandler::find(), Warning, "StoryScreen: Could not show the banner '%s': %s",
                              file.string().c_str(), error.what());
    }
}

void SongBanner::update()
{
    std::erase_if(abandoned, [](const std::future<Reading>& reading) { return done(reading); });
    if (!pending.valid() || !done(pending))
        return;
    const Reading reading = pending.get();
    if (reading.ok)
        picture = std::make_unique<Picture>(reading.image);
    else
        OutputHandler::report(OutputHandler::find(), Warning, "StoryScreen: Could not show the banner '%s': %s",
                              chosen.string().c_str(), reading.error.c_str());
}

bool SongBanner::isShown() const
{
    return picture && picture->isReady();
}

// Scaled to fill the box's width or height, whichever is reached first.
void SongBanner::draw(const StoryPage& page) const
{
    if (!isShown())
        return;
    const float boxWidth = boxRight - boxLeft;
    const float boxHeight = boxTop - boxBottom;
    const float aspect = static_cast<float>(picture->getWidth()) / static_cast<float>(picture->getHeight());
    const float width = std::min(boxWidth, boxHeight * aspect);
    const float height = width / aspect;
    const float left = boxLeft + (boxWidth - width) / 2.0f;
    const float bottom = boxBottom + (boxHeight - height) / 2.0f;
    page.drawPicture(*picture, left, bottom, left + width, bottom + height);
}

platform::RgbaPixels SongBanner::fitted(platform::RgbaPixels image)
{
    if (image.width <= maxWidth && image.height <= maxHeight)
        return image;
    const double scale = std::min(static_cast<double>(maxWidth) / image.width,
                                  static_cast<double>(maxHeight) / image.height);
    platform::RgbaPixels small;
    small.width = std::max(1, static_cast<int>(image.width * scale));
    small.height = std::max(1, static_cast<int>(image.height * scale));
    small.pixels.resize(static_cast<std::size_t>(small.width) * static_cast<std::size_t>(small.height) * 4);
    for (int y = 0; y < small.height; ++y) {
        const int fromY = std::min(image.height - 1, static_cast<int>(y / scale));
        for (int x = 0; x < small.width; ++x) {
            const int fromX = std::min(image.width - 1, static_cast<int>(x / scale));
            const auto from = (static_cast<std::size_t>(fromY) * static_cast<std::size_t>(image.width) + fromX) * 4;
            const auto to = (static_cast<std::size_t>(y) * static_cast<std::size_t>(small.width) + x) * 4;
            std::copy_n(image.pixels.begin() + static_cast<std::ptrdiff_t>(from), 4,
                        small.pixels.begin() + static_cast<std::ptrdiff_t>(to));
        }
    }
    return small;
}

// On the worker thread: nothing here touches GL or the log.
SongBanner::Reading SongBanner::read(const std::filesystem::path& file)
{
    Reading reading;
    reading.ok = platform::ImageDecoder::decodeFile(file, reading.image, reading.error);
    platform::ImageDecoder::endThread();
    if (reading.ok)
        reading.image = fitted(std::move(reading.image));
    return reading;
}

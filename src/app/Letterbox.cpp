#include "app/Letterbox.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int defaultWidth = 4;
constexpr int defaultHeight = 3;

} // namespace

Letterbox::Viewport Letterbox::fit(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0) {
        pictureWidth = defaultWidth;
        pictureHeight = defaultHeight;
    }
    areaWidth = std::max(areaWidth, 1);
    areaHeight = std::max(areaHeight, 1);
    const double scale = std::min(static_cast<double>(areaWidth) / pictureWidth,
                                  static_cast<double>(areaHeight) / pictureHeight);
    Viewport viewport;
    viewport.width = std::clamp(static_cast<int>(std::lround(pictureWidth * scale)), 1, areaWidth);
    viewport.height = std::clamp(static_cast<int>(std::lround(pictureHeight * scale)), 1, areaHeight);
    viewport.x = (areaWidth - viewport.width) / 2;
    viewport.y = (areaHeight - viewport.height) / 2;
    return viewport;
}

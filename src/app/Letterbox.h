#pragma once

// The largest area of the picture's shape that fits a window, centred: what
// is left over becomes black bars at the sides or at top and bottom.
class Letterbox {
public:
    struct Viewport {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool operator==(const Viewport&) const = default;
    };

    // A picture without a size takes the game's 4:3; an area without one
    // counts as one pixel, so the viewport is never empty.
    static Viewport fit(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight);
};

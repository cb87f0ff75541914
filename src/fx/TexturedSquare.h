#pragma once

// A square of side 2h in the x-y plane around the current origin, as two
// triangles. Only the inner 80% of the bound texture shows: the outer tenth
// of the image on every side is left out.
class TexturedSquare {
public:
    static void draw(float halfSize);
};

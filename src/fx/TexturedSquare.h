#pragma once

// A square of side 2h in the x-y plane around the current origin, as two
// triangles. Only the inner 80% of the bound texture shows: the outer tenth
// of the image on every side is left out.
class TexturedSquare {
public:
    static void draw(float halfSize);
    // The same two triangles around (x, y, z), inside a glBegin(GL_TRIANGLES)
    // the caller opened: many squares then go to OpenGL as one batch.
    static void emit(float x, float y, float z, float halfSize);
};

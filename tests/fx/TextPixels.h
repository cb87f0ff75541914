#pragma once

// Text drawn into a hidden window and read back, beside the same characters
// drawn with glBitmap from reference glyphs.

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <vector>

namespace textpixels {

// The game's 45 degree projection on the whole window, cleared to black.
inline void project(int width, int height)
{
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / height, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Clears the window, runs `draw` between a push and a pop and reads the picture back.
template <typename Draw>
std::vector<GLubyte> picture(int width, int height, Draw draw)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    draw();
    glPopMatrix();
    std::vector<GLubyte> pixels(static_cast<std::size_t>(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// The picture of `glyphs` drawn with glBitmap from (x, y) of the centre frame
// (9 units back) in `colour`.
template <typename Glyphs>
std::vector<GLubyte> drawnByGlBitmap(int width, int height, float x, float y, std::array<float, 3> colour, Glyphs glyphs)
{
    return picture(width, height, [&] {
        glLoadIdentity();
        glTranslatef(0.0f, 0.0f, -9.0f);
        glDisable(GL_LIGHTING);
        glColor3fv(colour.data());
        glRasterPos2f(x, y);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glyphs();
    });
}

// One glyph through glBitmap; isSet(row, column) counts rows from the bottom.
template <typename IsSet>
void bitmapGlyph(int width, int rows, int left, int bottom, int advance, IsSet isSet)
{
    const int stride = (width + 7) / 8;
    std::vector<GLubyte> bits(static_cast<std::size_t>(stride) * rows + 1, 0);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < width; ++column)
            if (isSet(row, column))
                bits[static_cast<std::size_t>(row) * stride + column / 8] |= 0x80 >> (column % 8);
    glBitmap(width, rows, static_cast<float>(-left), static_cast<float>(-bottom), static_cast<float>(advance), 0.0f,
             bits.data());
}

} // namespace textpixels

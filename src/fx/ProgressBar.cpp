#include "fx/ProgressBar.h"

#include <GL/gl.h>

#include <algorithm>

namespace {

void fill(float left, float bottom, float right, float top, ProgressBar::Colour colour)
{
    glColor3f(colour.red, colour.green, colour.blue);
    glVertex2f(left, bottom);
    glVertex2f(right, bottom);
    glVertex2f(right, top);
    glVertex2f(left, top);
}

} // namespace

void ProgressBar::draw(float left, float bottom, float right, float top, double fraction, Colour done, Colour rest)
{
    const float split = left + (right - left) * static_cast<float>(std::clamp(fraction, 0.0, 1.0));
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_POLYGON_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glBegin(GL_QUADS);
    if (split > left)
        fill(left, bottom, split, top, done);
    if (split < right)
        fill(split, bottom, right, top, rest);
    glEnd();
    glPopAttrib();
}

#include "fx/TexturedSquare.h"

#include <GL/gl.h>

void TexturedSquare::draw(float h)
{
    glBegin(GL_TRIANGLES);
    glTexCoord2f(0.1f, 0.1f);
    glVertex3f(-h, h, 0.0f);
    glTexCoord2f(0.9f, 0.1f);
    glVertex3f(h, h, 0.0f);
    glTexCoord2f(0.9f, 0.9f);
    glVertex3f(h, -h, 0.0f);
    glTexCoord2f(0.9f, 0.9f);
    glVertex3f(h, -h, 0.0f);
    glTexCoord2f(0.1f, 0.9f);
    glVertex3f(-h, -h, 0.0f);
    glTexCoord2f(0.1f, 0.1f);
    glVertex3f(-h, h, 0.0f);
    glEnd();
}

#include "fx/TexturedSquare.h"

#include <GL/gl.h>

void TexturedSquare::draw(float h)
{
    glBegin(GL_TRIANGLES);
    emit(0.0f, 0.0f, 0.0f, h);
    glEnd();
}

void TexturedSquare::emit(float x, float y, float z, float h)
{
    glTexCoord2f(0.1f, 0.1f);
    glVertex3f(x - h, y + h, z);
    glTexCoord2f(0.9f, 0.1f);
    glVertex3f(x + h, y + h, z);
    glTexCoord2f(0.9f, 0.9f);
    glVertex3f(x + h, y - h, z);
    glTexCoord2f(0.9f, 0.9f);
    glVertex3f(x + h, y - h, z);
    glTexCoord2f(0.1f, 0.9f);
    glVertex3f(x - h, y - h, z);
    glTexCoord2f(0.1f, 0.1f);
    glVertex3f(x - h, y + h, z);
}

#include "platform/GlyphExtruder.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <deque>

namespace platform {
namespace {

using Vertex = std::array<GLdouble, 3>;
// Vertices stay in place while the tessellator holds pointers to them.
using VertexStore = std::deque<Vertex>;

void GLAPIENTRY onBegin(GLenum type)
{
    glBegin(type);
}

void GLAPIENTRY onVertex(void* vertex)
{
    glVertex3dv(static_cast<const GLdouble*>(vertex));
}

void GLAPIENTRY onEnd()
{
    glEnd();
}

void GLAPIENTRY onCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* store)
{
    auto& vertices = *static_cast<VertexStore*>(store);
    vertices.push_back({coords[0], coords[1], coords[2]});
    *out = vertices.back().data();
}

void GLAPIENTRY onError(GLenum)
{
}

template <typename Function>
_GLUfuncptr callback(Function function)
{
    return reinterpret_cast<_GLUfuncptr>(function);
}

} // namespace

GlyphExtruder::GlyphExtruder(std::vector<Contour> contours, bool clockwiseFill, bool evenOdd)
    : contours(std::move(contours))
    , clockwiseFill(clockwiseFill)
    , evenOdd(evenOdd)
{
}

void GlyphExtruder::addRectangle(double left, double bottom, double right, double top)
{
    Contour rectangle{{left, bottom}, {left, top}, {right, top}, {right, bottom}};
    if (!clockwiseFill)
        rectangle = {{left, bottom}, {right, bottom}, {right, top}, {left, top}};
    contours.push_back(std::move(rectangle));
}

void GlyphExtruder::emit(float extrusion) const
{
    emitFace(0.0, 1.0);
    if (extrusion <= 0.0f)
        return;
    emitFace(-extrusion, -1.0);
    emitWalls(-extrusion);
}

void GlyphExtruder::emitFace(double z, double normalZ) const
{
    GLUtesselator* tessellator = gluNewTess();
    if (!tessellator)
        return;
    gluTessCallback(tessellator, GLU_TESS_BEGIN, callback(onBegin));
    gluTessCallback(tessellator, GLU_TESS_VERTEX, callback(onVertex));
    gluTessCallback(tessellator, GLU_TESS_END, callback(onEnd));
    gluTessCallback(tessellator, GLU_TESS_COMBINE_DATA, callback(onCombine));
    gluTessCallback(tessellator, GLU_TESS_ERROR, callback(onError));
    gluTessProperty(tessellator, GLU_TESS_WINDING_RULE, evenOdd ? GLU_TESS_WINDING_ODD : GLU_TESS_WINDING_NONZERO);
    // Output triangles wind counter-clockwise seen along the face normal.
    gluTessNormal(tessellator, 0.0, 0.0, normalZ);
    glNormal3d(0.0, 0.0, normalZ);

    VertexStore vertices;
    gluTessBeginPolygon(tessellator, &vertices);
    for (const Contour& contour : contours) {
        if (contour.size() < 3)
            continue;
        gluTessBeginContour(tessellator);
        for (const Point& point : contour) {
            vertices.push_back({point.x, point.y, z});
            gluTessVertex(tessellator, vertices.back().data(), vertices.back().data());
        }
        gluTessEndContour(tessellator);
    }
    gluTessEndPolygon(tessellator);
    gluDeleteTess(tessellator);
}

void GlyphExtruder::emitWalls(double depth) const
{
    glBegin(GL_QUADS);
    for (const Contour& contour : contours) {
        if (contour.size() < 2)
            continue;
        for (std::size_t i = 0; i < contour.size(); ++i) {
            const Point& from = contour[i];
            const Point& to = contour[(i + 1) % contour.size()];
            const double dx = to.x - from.x;
            const double dy = to.y - from.y;
            const double length = std::hypot(dx, dy);
            if (length == 0.0)
                continue;
            // The outward side is left of the direction for clockwise fill.
            const double sign = clockwiseFill ? 1.0 : -1.0;
            glNormal3d(-dy / length * sign, dx / length * sign, 0.0);
            const Point& first = clockwiseFill ? from : to;
            const Point& second = clockwiseFill ? to : from;
            glVertex3d(first.x, first.y, 0.0);
            glVertex3d(second.x, second.y, 0.0);
            glVertex3d(second.x, second.y, depth);
            glVertex3d(first.x, first.y, depth);
        }
    }
    glEnd();
}

} // namespace platform

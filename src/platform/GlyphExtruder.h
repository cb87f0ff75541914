#pragma once

#include <vector>

namespace platform {

// Turns a flattened glyph outline into solid geometry: the front face at
// z = 0, the back face at z = -extrusion (both tessellated with the GLU
// tessellator) and the side walls between them, in immediate-mode OpenGL.
class GlyphExtruder {
public:
    struct Point {
        double x;
        double y;
    };
    using Contour = std::vector<Point>;

    // clockwiseFill: filled regions lie to the right of the contour direction
    // (TrueType); otherwise to the left (PostScript).
    GlyphExtruder(std::vector<Contour> contours, bool clockwiseFill, bool evenOdd);

    void addRectangle(double left, double bottom, double right, double top);
    void emit(float extrusion) const;

private:
    void emitFace(double z, double normalZ) const;
    void emitWalls(double depth) const;

    std::vector<Contour> contours;
    bool clockwiseFill;
    bool evenOdd;
};

} // namespace platform

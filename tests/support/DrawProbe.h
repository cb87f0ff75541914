#pragma once

#include "scene/ObjectNode.h"

#include <GL/gl.h>

#include <array>
#include <functional>
#include <utility>

// A scene node that runs a check when the graph draws it, so a test can read
// the matrices and GL state a real node meets at that point of the frame.
class DrawProbe : public ObjectNode {
public:
    using Check = std::function<void(const DrawProbe&)>;

    DrawProbe(std::int8_t side, Check check)
        : ObjectNode("Probe", side)
        , check(std::move(check))
    {
    }

    bool draw() override
    {
        check(*this);
        return ObjectNode::draw();
    }

    // Four floats of a GL query (colours, positions), or a 4x4 matrix's 16.
    template <std::size_t N = 4>
    static std::array<GLfloat, N> floats(GLenum name)
    {
        std::array<GLfloat, N> values{};
        glGetFloatv(name, values.data());
        return values;
    }

private:
    Check check;
};

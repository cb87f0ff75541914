#pragma once

#include <cstdint>
#include <memory>

namespace testsupport {

// A hidden 64x64 SDL window with a current OpenGL compatibility context, for
// tests that draw or build display lists. Needs an X server (xvfb-run).
class GlContext {
public:
    GlContext();
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    bool isValid() const;
    static constexpr int size = 64;

private:
    struct Handles;
    std::unique_ptr<Handles> handles;
};

} // namespace testsupport

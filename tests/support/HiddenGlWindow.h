#pragma once

#include <string>

struct SDL_Window;

namespace testsupport {

// A hidden SDL window with a current OpenGL compatibility context, for tests
// that upload textures, build display lists or draw (run under Xvfb).
class HiddenGlWindow {
public:
    static constexpr int size = 64;

    explicit HiddenGlWindow(int width = size, int height = size);
    ~HiddenGlWindow();
    HiddenGlWindow(const HiddenGlWindow&) = delete;
    HiddenGlWindow& operator=(const HiddenGlWindow&) = delete;

    bool ok() const { return context != nullptr && failure.empty(); }
    const std::string& error() const { return failure; }

private:
    SDL_Window* window = nullptr;
    void* context = nullptr;
    bool videoStarted = false;
    std::string failure;
};

} // namespace testsupport

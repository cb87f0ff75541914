#pragma once

#include <string>

struct SDL_Window;

namespace testsupport {

// A hidden SDL window with a current OpenGL compatibility context, for tests
// that upload textures or draw (run under Xvfb).
class HiddenGlWindow {
public:
    explicit HiddenGlWindow(int width = 64, int height = 64);
    ~HiddenGlWindow();
    HiddenGlWindow(const HiddenGlWindow&) = delete;
    HiddenGlWindow& operator=(const HiddenGlWindow&) = delete;

    bool ok() const { return context != nullptr; }
    const std::string& error() const { return failure; }

private:
    SDL_Window* window = nullptr;
    void* context = nullptr;
    std::string failure;
};

} // namespace testsupport

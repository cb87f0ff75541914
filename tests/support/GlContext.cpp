#include "support/GlContext.h"

#include "platform/Window.h"

#include <SDL.h>

#include <cstdio>

namespace testsupport {

struct GlContext::Handles {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

GlContext::GlContext()
    : handles(std::make_unique<Handles>())
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "GlContext: %s\n", SDL_GetError());
        return;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 1);
    handles->window = SDL_CreateWindow("test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, size, size,
                                       SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (handles->window)
        handles->context = SDL_GL_CreateContext(handles->window);
    if (!handles->context)
        std::fprintf(stderr, "GlContext: %s\n", SDL_GetError());
    else
        platform::Window::keepGlDriverLoaded();
}

GlContext::~GlContext()
{
    if (handles->context)
        SDL_GL_DeleteContext(handles->context);
    if (handles->window)
        SDL_DestroyWindow(handles->window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool GlContext::isValid() const
{
    return handles->context != nullptr;
}

} // namespace testsupport

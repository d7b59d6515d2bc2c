// Pixel format and OpenGL context behind the WGL calls, over SDL2.
#include "platform/sdl/platform.h"

// Quirk: the pixel format was fixed when SDL made the window (openHostWindow),
// so ChoosePixelFormat and SetPixelFormat (platform/shared) only confirm it.

HGLRC WINAPI wglCreateContext(HDC dc) {
    if (!dc || !dc->window) return nullptr;
    // Quirk: SDL makes a new context current at once; wglCreateContext does not,
    // so whatever was current before is restored.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_GLContext sdl = SDL_GL_CreateContext(platform::sdlOf(dc->window));
    if (!sdl) return nullptr;
    SDL_GL_MakeCurrent(previousWindow, previous);
    HGLRC context = new HGLRC__;
    context->sdl = sdl;
    return context;
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context) {
    if (!context) {
        // Releasing needs a window on SDL; any will do, or none at all.
        SDL_Window* current = SDL_GL_GetCurrentWindow();
        return SDL_GL_MakeCurrent(current, nullptr) == 0;
    }
    if (!dc || !dc->window) return FALSE;
    return SDL_GL_MakeCurrent(platform::sdlOf(dc->window), context->sdl) == 0;
}

BOOL WINAPI wglDeleteContext(HGLRC context) {
    if (!context) return FALSE;
    SDL_GL_DeleteContext(context->sdl);
    delete context;
    return TRUE;
}

void platform::showFrame(HWND__* window) { SDL_GL_SwapWindow(sdlOf(window)); }

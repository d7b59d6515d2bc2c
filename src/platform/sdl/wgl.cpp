// Pixel format and OpenGL context behind the WGL calls, over SDL2.
#include "platform/sdl/platform.h"

// Quirk: the format was fixed when SDL made the window (see CreateWindowExA);
// there is exactly one, so choosing and setting it cannot differ.
int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd) { return dc && pfd ? 1 : 0; }
BOOL WINAPI SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) { return dc && format == 1; }

HGLRC WINAPI wglCreateContext(HDC dc) {
    if (!dc || !dc->window) return nullptr;
    // Quirk: SDL makes a new context current at once; wglCreateContext does not,
    // so whatever was current before is restored.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_GLContext sdl = SDL_GL_CreateContext(dc->window->sdl);
    if (!sdl) return nullptr;
    SDL_GL_MakeCurrent(previousWindow, previous);
    HGLRC context = new HGLRC__;
    context->sdl = sdl;
    context->window = dc->window;
    return context;
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context) {
    if (!context) {
        // Releasing needs a window on SDL; any will do, or none at all.
        SDL_Window* current = SDL_GL_GetCurrentWindow();
        return SDL_GL_MakeCurrent(current, nullptr) == 0;
    }
    if (!dc || !dc->window) return FALSE;
    return SDL_GL_MakeCurrent(dc->window->sdl, context->sdl) == 0;
}

BOOL WINAPI wglDeleteContext(HGLRC context) {
    if (!context) return FALSE;
    SDL_GL_DeleteContext(context->sdl);
    delete context;
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC dc) {
    if (!dc || !dc->window) return FALSE;
    SDL_GL_SwapWindow(dc->window->sdl);
    return TRUE;
}

// The window, its title, client size and mouse capture over SDL2 (the Win32
// side of them is in platform/shared), and timing.
#include "platform/sdl/platform.h"

#include <ctime>

HWND__* platform::openHostWindow(LPCSTR title, DWORD style, int x, int y, int width, int height) {
    startVideo();
    // Quirk: SDL fixes the pixel format when the window is made, Windows when
    // SetPixelFormat runs; so the editor's one format is requested here and
    // SetPixelFormat only confirms it. A compatibility profile keeps the
    // fixed-function pipeline, immediate mode and client-side vertex arrays
    // the renderer draws with.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    // A window takes drops only after DragAcceptFiles, as on Windows.
    SDL_EventState(SDL_DROPFILE, SDL_DISABLE);
    SDL_EventState(SDL_DROPTEXT, SDL_DISABLE);
    Uint32 flags = SDL_WINDOW_OPENGL;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    if (!(style & WS_VISIBLE)) flags |= SDL_WINDOW_HIDDEN;
    // Quirk: the window manager draws the frame outside SDL's window, so the
    // requested size is the client area here, not the outer size.
    SDL_Window* sdl = SDL_CreateWindow(title ? title : "", x, y, width, height, flags);
    if (!sdl) return nullptr;
    SdlWindow* window = new SdlWindow;
    window->sdl = sdl;
    // SDL starts text input (and with it an input method) by default; the
    // editor reads virtual keys only, so keys must not be held by an IME.
    SDL_StopTextInput();
    return window;
}

void platform::closeHostWindow(HWND__* window) {
    SDL_DestroyWindow(sdlOf(window));
    delete static_cast<SdlWindow*>(window);
}

void platform::clientSize(HWND__* window, int& width, int& height) {
    width = height = 0;
    // A minimised window has an empty client area on Windows; SDL keeps the size.
    if (!(SDL_GetWindowFlags(sdlOf(window)) & SDL_WINDOW_MINIMIZED)) SDL_GetWindowSize(sdlOf(window), &width, &height);
}

// Quirk: on X11, SDL drops a title that is not UTF-8 (the window keeps its
// old one), so the shell hands over UTF-8 only (titleSafeText).
void platform::showTitle(HWND__* window, LPCSTR text) { SDL_SetWindowTitle(sdlOf(window), text); }

// Quirk: SDL captures the whole application; with one window that is the same.
void platform::captureMouse(bool on) { SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE); }

DWORD WINAPI GetTickCount(void) {
    // Milliseconds since boot, wrapping at 2^32 like Windows' counter.
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);
}

void WINAPI Sleep(DWORD milliseconds) {
    timespec wait;
    wait.tv_sec = milliseconds / 1000;
    wait.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&wait, &wait) != 0) {
    }
}

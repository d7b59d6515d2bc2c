// Window class, window, device context, mouse capture and timing over SDL2.
// Quirks: SDL has no window classes or procedures, so the class registry maps a
// name to its procedure and the window calls it as Windows would (WM_CREATE
// and WM_SIZE from inside CreateWindowExA); SDL's size is the client area.
#include "platform/sdl/platform.h"

#include <ctime>
#include <string>

namespace {

HWND__* theWindow = nullptr;  // the one top-level window
HWND captured = nullptr;      // SetCapture's window, for its return value

}  // namespace

HWND__* platform::mainWindow() { return theWindow; }

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    platform::startVideo();
    return platform::rememberClass(windowClass);
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND, HMENU, HINSTANCE, LPVOID) {
    const WNDPROC proc = platform::classProcedure(className);
    if (!proc) return nullptr;
    // Quirk: SDL fixes the pixel format when the window is made, Windows when
    // SetPixelFormat runs; so the editor's one format is requested here and
    // SetPixelFormat only confirms it. A compatibility profile keeps the
    // fixed-function pipeline and immediate mode the renderer draws with.
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
    SDL_Window* sdl = SDL_CreateWindow(windowName ? windowName : "", x, y, width, height, flags);
    if (!sdl) return nullptr;
    HWND window = new HWND__;
    window->sdl = sdl;
    window->proc = proc;
    window->dc = new HDC__;
    window->dc->window = window;
    theWindow = window;
    // SDL starts text input (and with it an input method) by default; the
    // editor reads virtual keys only, so keys must not be held by an IME.
    SDL_StopTextInput();
    // Windows sends these from inside CreateWindowEx, before it returns.
    int w = 0, h = 0;
    SDL_GetWindowSize(sdl, &w, &h);
    window->proc(window, WM_CREATE, 0, 0);
    window->proc(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
    return window;
}

BOOL WINAPI DestroyWindow(HWND window) {
    if (!window) return FALSE;
    window->proc(window, WM_DESTROY, 0, 0);
    if (captured == window) ReleaseCapture();
    SDL_DestroyWindow(window->sdl);
    delete window->dc;
    if (theWindow == window) theWindow = nullptr;
    // Messages still queued for it must not reach a freed window.
    for (MSG& msg : platform::messageQueue())
        if (msg.hwnd == window) msg.hwnd = nullptr;
    delete window;
    return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    if (!window) return FALSE;
    SDL_SetWindowTitle(window->sdl, text ? text : "");
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    if (!window || !rect) return FALSE;
    rect->left = rect->top = 0;
    int w = 0, h = 0;
    // A minimised window has an empty client area on Windows; SDL keeps the size.
    if (!(SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_MINIMIZED)) SDL_GetWindowSize(window->sdl, &w, &h);
    rect->right = w;
    rect->bottom = h;
    return TRUE;
}

HDC WINAPI GetDC(HWND window) { return window ? window->dc : nullptr; }
int WINAPI ReleaseDC(HWND, HDC) { return 1; }

HWND WINAPI SetCapture(HWND window) {
    HWND previous = captured;
    captured = window;
    // Quirk: SDL captures the whole application; with one window that is the same.
    SDL_CaptureMouse(SDL_TRUE);
    return previous;
}

BOOL WINAPI ReleaseCapture(void) {
    captured = nullptr;
    SDL_CaptureMouse(SDL_FALSE);
    return TRUE;
}

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

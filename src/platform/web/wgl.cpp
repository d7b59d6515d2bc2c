// Pixel format and OpenGL context behind the WGL calls: an EGL context on the
// page's canvas.
// Quirks: emscripten's fixed-function emulation (immediate mode, client-side
// vertex arrays, texture environment) is set up only for a context that comes from EGL, and there is
// one surface, the canvas, so there is one pixel format (see platform/shared).
// Any GL call without a current context is harmless on the desktop but fatal
// here, and the shell sets its view from WM_SIZE inside CreateWindowExA, before
// it makes its context; so the window comes with its context already current,
// and wglCreateContext hands out that one first.
#include "platform/web/platform.h"

#include <emscripten.h>

namespace {

// Counts swaps for the page (its first-frame time and frame rate figures).
EM_JS(void, pageFrameShown, (), {
    if (typeof vornPage !== 'undefined') vornPage.frameShown();
});

EM_JS(void, pageShowStatus, (const char* text), {
    if (typeof vornPage !== 'undefined') vornPage.showStatus(UTF8ToString(text));
});

bool initDisplay() {
    EGLDisplay& display = platform::page().display;
    if (display != EGL_NO_DISPLAY) return true;
    display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
    const EGLint attributes[] = {EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_DEPTH_SIZE, 16, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &platform::page().config, 1, &count) || count < 1) return false;
    platform::page().surface = eglCreateWindowSurface(display, platform::page().config, 0, nullptr);
    return platform::page().surface != EGL_NO_SURFACE;
}

}  // namespace

HGLRC platform::createCanvasContext(HWND window) {
    if (!window || !initDisplay()) return nullptr;
    const EGLint attributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLContext egl = eglCreateContext(page().display, page().config, EGL_NO_CONTEXT, attributes);
    if (egl == EGL_NO_CONTEXT) return nullptr;
    HGLRC context = new HGLRC__;
    context->egl = egl;
    return context;
}

HGLRC WINAPI wglCreateContext(HDC dc) {
    if (!dc || !dc->window) return nullptr;
    if (HGLRC made = platform::canvasOf(dc->window)->context) {
        platform::canvasOf(dc->window)->context = nullptr;
        return made;
    }
    return platform::createCanvasContext(dc->window);
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context) {
    const EGLDisplay display = platform::page().display;
    if (display == EGL_NO_DISPLAY) return context == nullptr;
    if (!context) return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (!dc || !dc->window) return FALSE;
    return eglMakeCurrent(display, platform::page().surface, platform::page().surface, context->egl);
}

BOOL WINAPI wglDeleteContext(HGLRC context) {
    if (!context) return FALSE;
    eglDestroyContext(platform::page().display, context->egl);
    delete context;
    return TRUE;
}

// SwapBuffers: the browser shows the canvas when the editor's loop next
// yields (Sleep); the swap only marks the frame done.
// The status line's text goes to the page with the frame that shows it,
// and only when it changed: screen readers announce each change.
void platform::showFrame(HWND__*) {
    eglSwapBuffers(page().display, page().surface);
    if (page().hooks.statusText) {
        const std::string& text = page().hooks.statusText();
        if (text != page().pageStatus) {
            page().pageStatus = text;
            pageShowStatus(text.c_str());
        }
    }
    pageFrameShown();
}

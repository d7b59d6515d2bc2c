// The window, its title and client size, capture, drops and the module path
// over the page (the Win32 side of them is in platform/shared), and timing.
// Quirks: the window is the page's canvas, whose size follows the browser
// window, not the requested one. Sleep must hand the thread back to the browser, or no event, timer or
// frame would ever arrive; asyncify suspends the editor's loop there.
#include "platform/web/platform.h"

#include <emscripten.h>

#include <string>

namespace {

EM_JS(void, pageSetTitle, (const char* text), { document.title = UTF8ToString(text); });

// The program's own path in the in-memory file system: its art lies beside it.
const char kModulePath[] = "/VornGroundEditor";

}  // namespace

HWND__* platform::openHostWindow(LPCSTR title, DWORD, int, int, int, int) {
    if (mainWindow()) return nullptr;  // one canvas, one window
    CanvasWindow* window = new CanvasWindow;
    fitCanvas(window);
    if (title) pageSetTitle(title);
    listenToPage(window);
    // The shell's WM_SIZE sets the view with GL calls (see wgl.cpp).
    window->context = createCanvasContext(window);
    if (window->context) wglMakeCurrent(&window->dc, window->context);
    return window;
}

void platform::closeHostWindow(HWND__* window) {
    CanvasWindow* canvas = canvasOf(window);
    if (canvas->context) wglDeleteContext(canvas->context);
    delete canvas;
}

void platform::clientSize(HWND__* window, int& width, int& height) {
    width = canvasOf(window)->width;
    height = canvasOf(window)->height;
}

void platform::showTitle(HWND__*, LPCSTR text) { pageSetTitle(text); }

// The page already reports moves and releases anywhere in the browser window
// (see listenToPage), which is what capture gives on Windows.
void platform::captureMouse(bool) {}

// The page takes every drop; serviceDrops keeps or discards them by the
// window's acceptFiles.
void platform::offerDrops(bool) {}

std::string platform::modulePath() { return kModulePath; }

DWORD WINAPI GetTickCount(void) {
    // Milliseconds since the page started, wrapping at 2^32 like Windows' counter.
    return static_cast<DWORD>(static_cast<uint64_t>(emscripten_get_now()));
}

// Quirk: timers set from timer callbacks are clamped to 4 ms by browsers, so
// the loop's Sleep(1) would start frames up to 4 ms late (about 36 frames a
// second instead of 40); the scheduler's delayed tasks are not clamped.
// Browsers without it fall back to the timer.
EM_ASYNC_JS(void, pageSleep, (int milliseconds), {
    if (typeof scheduler !== 'undefined' && scheduler.postTask) {
        await scheduler.postTask(function () {}, { delay: milliseconds });
    } else {
        await new Promise(function (resolve) { setTimeout(resolve, milliseconds); });
    }
    if (typeof vornPage !== 'undefined') vornPage.resumed();
});

void WINAPI Sleep(DWORD milliseconds) { pageSleep(static_cast<int>(milliseconds)); }

// Window class, window, device context, capture, timing, title, drops and the
// module path, over the page.
// Quirks: the page has no window classes or procedures, so the class registry
// maps a name to its procedure and the window calls it as Windows would
// (WM_CREATE and WM_SIZE from inside CreateWindowExA). The window is the
// page's canvas: its size follows the browser window, not the requested one.
// Sleep must hand the thread back to the browser, or no event, timer or
// frame would ever arrive; asyncify suspends the editor's loop there.
#include "platform/web/platform.h"

#include <emscripten.h>

#include <cstring>
#include <string>

namespace {

HWND__* theWindow = nullptr;  // the one top-level window
HWND captured = nullptr;      // SetCapture's window, for its return value

EM_JS(void, pageSetTitle, (const char* text), { document.title = UTF8ToString(text); });

// The program's own path in the in-memory file system: its art lies beside it.
const char kModulePath[] = "/VornGroundEditor";

}  // namespace

namespace platform {
bool acceptDrops = false;
PageHooks hooks;
}  // namespace platform

HWND__* platform::mainWindow() { return theWindow; }

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass) {
    return platform::rememberClass(windowClass);
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD, int, int, int, int, HWND, HMENU,
                            HINSTANCE, LPVOID) {
    const WNDPROC proc = platform::classProcedure(className);
    if (!proc || theWindow) return nullptr;  // one canvas, one window
    HWND window = new HWND__;
    window->proc = proc;
    window->dc = new HDC__;
    window->dc->window = window;
    theWindow = window;
    platform::fitCanvas(window);
    if (windowName) pageSetTitle(windowName);
    platform::listenToPage(window);
    // The shell's WM_SIZE sets the view with GL calls (see wgl.cpp).
    window->context = platform::createCanvasContext(window);
    if (window->context) wglMakeCurrent(window->dc, window->context);
    // Windows sends these from inside CreateWindowEx, before it returns.
    window->proc(window, WM_CREATE, 0, 0);
    window->proc(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(window->width, window->height));
    return window;
}

BOOL WINAPI DestroyWindow(HWND window) {
    if (!window) return FALSE;
    window->proc(window, WM_DESTROY, 0, 0);
    if (captured == window) ReleaseCapture();
    if (window->context) wglDeleteContext(window->context);
    delete window->dc;
    if (theWindow == window) theWindow = nullptr;
    // Messages still queued for it must not reach a freed window.
    for (platform::QueuedMessage& q : platform::messageQueue())
        if (q.msg.hwnd == window) q.msg.hwnd = nullptr;
    delete window;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    if (!window || !rect) return FALSE;
    rect->left = rect->top = 0;
    rect->right = window->width;
    rect->bottom = window->height;
    return TRUE;
}

HDC WINAPI GetDC(HWND window) { return window ? window->dc : nullptr; }
int WINAPI ReleaseDC(HWND, HDC) { return 1; }

// The page already reports moves and releases anywhere in the browser window
// (see listenToPage), which is what capture gives on Windows.
HWND WINAPI SetCapture(HWND window) {
    HWND previous = captured;
    captured = window;
    return previous;
}

BOOL WINAPI ReleaseCapture(void) {
    captured = nullptr;
    return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    if (!window) return FALSE;
    pageSetTitle(text ? text : "");
    return TRUE;
}

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

void WINAPI DragAcceptFiles(HWND window, BOOL accept) {
    if (window) platform::acceptDrops = accept != FALSE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR fileName, DWORD size) {
    return platform::copyNameCut(kModulePath, fileName, size);
}

// Page events as Win32 messages, for the shared message queue (PeekMessageA
// and the key state are in platform/shared).
// Quirk: the browser reports events to callbacks while the editor's loop is
// suspended in Sleep; the callbacks only queue messages in Windows' own
// encodings, and the loop takes them with PeekMessageA as on Windows. The
// canvas fills the page, so a position in the page is a client position;
// CSS pixels become device pixels, one editor pixel per screen pixel.
#include "platform/web/platform.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace platform {

PageState& page() {
    static PageState state;
    return state;
}

namespace {

void push(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool ctrl, bool shift) {
    QueuedMessage q = queuedMessage(window, message, wParam, lParam, static_cast<DWORD>(emscripten_get_now()));
    // The browser reports the modifiers with every event; GetKeyState takes them from there.
    q.modifiersKnown = true;
    q.ctrl = ctrl;
    q.shift = shift;
    messageQueue().push_back(q);
}

WPARAM mouseFlags(const EmscriptenMouseEvent& e) {
    return mouseKeyFlags(e.buttons & 1, e.buttons & 2, e.buttons & 4, e.shiftKey, e.ctrlKey);
}

LPARAM mousePosition(const EmscriptenMouseEvent& e) {
    const double ratio = emscripten_get_device_pixel_ratio();
    return packPosition(std::lround(e.clientX * ratio), std::lround(e.clientY * ratio));
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* e, void* data) {
    // Keys typed into a page dialog are the dialog's.
    if (page().modalDepth > 0) return EM_FALSE;
    const int vk = virtualKeyFor(e->code, e->keyCode);
    if (!vk || browserKeepsKey(vk, e->ctrlKey, e->shiftKey, e->altKey, e->metaKey)) return EM_FALSE;
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    // Browsers give no scan code.
    push(static_cast<HWND>(data), down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk), keyLParam(down, e->repeat, 0),
         e->ctrlKey, e->shiftKey);
    // The editor's key: not the browser's shortcut too, except copy and paste.
    return browserAlsoActsOn(vk, e->ctrlKey, e->shiftKey) ? EM_FALSE : EM_TRUE;
}

EM_BOOL onMouse(int type, const EmscriptenMouseEvent* e, void* data) {
    if (page().modalDepth > 0) {
        // The event is the dialog's, but a button's release still counts: a
        // stroke's button let go over a dialog is up afterwards.
        if (type == EMSCRIPTEN_EVENT_MOUSEUP) setMouseButtons(mouseFlags(*e));
        return EM_FALSE;
    }
    HWND window = static_cast<HWND>(data);
    const WPARAM flags = mouseFlags(*e);
    if (type == EMSCRIPTEN_EVENT_MOUSEMOVE) {
        push(window, WM_MOUSEMOVE, flags, mousePosition(*e), e->ctrlKey, e->shiftKey);
        return EM_FALSE;
    }
    const bool down = type == EMSCRIPTEN_EVENT_MOUSEDOWN;
    WPARAM flag = 0;
    const UINT message = buttonMessage(e->button, down, &flag);
    if (!message) return EM_FALSE;
    push(window, message, flags, mousePosition(*e), e->ctrlKey, e->shiftKey);
    // A press on the canvas must not start a text selection or focus change.
    return down ? EM_TRUE : EM_FALSE;
}

EM_BOOL onWheel(int, const EmscriptenWheelEvent* e, void* data) {
    if (page().modalDepth > 0) return EM_FALSE;
    // One notch is 100 pixels, 3 lines or a page; down (positive) is a turn
    // towards the user, which Windows reports as a negative delta.
    double pixels = e->deltaY;
    if (e->deltaMode == DOM_DELTA_LINE) pixels *= 100.0 / 3.0;
    else if (e->deltaMode == DOM_DELTA_PAGE) pixels *= 100.0;
    double& wheelPixels = page().wheelPixels;
    wheelPixels += pixels;
    const int steps = static_cast<int>(wheelPixels / 100.0);
    wheelPixels -= steps * 100.0;
    const LPARAM lParam = packPosition(e->mouse.screenX, e->mouse.screenY);
    for (const WPARAM wParam : wheelWParams(-steps, mouseFlags(e->mouse)))
        push(static_cast<HWND>(data), WM_MOUSEWHEEL, wParam, lParam, e->mouse.ctrlKey, e->mouse.shiftKey);
    return EM_TRUE;  // no page scrolling or browser zoom
}

EM_BOOL onResize(int, const EmscriptenUiEvent*, void* data) {
    CanvasWindow* window = canvasOf(static_cast<HWND>(data));
    if (fitCanvas(window))
        push(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(window->width, window->height), false, false);
    return EM_FALSE;
}

}  // namespace

int virtualKeyFor(const char* code, unsigned long keyCode) {
    // Digits by position: Windows' '0'..'9' are the main row's keys on every layout.
    if (!std::strncmp(code, "Digit", 5) && code[5] >= '0' && code[5] <= '9' && !code[6]) return code[5];
    // Letters by the layout's meaning, which the browser's keyCode follows as
    // Windows maps VK_A..VK_Z.
    if (keyCode >= 'A' && keyCode <= 'Z') return static_cast<int>(keyCode);
    // Events without the legacy code (made by scripts): the key's position.
    if (!keyCode && !std::strncmp(code, "Key", 3) && code[3] >= 'A' && code[3] <= 'Z' && !code[4]) return code[3];
    if (!std::strncmp(code, "Numpad", 6) && code[6] >= '0' && code[6] <= '9' && !code[7]) return VK_NUMPAD0 + (code[6] - '0');
    for (int n = 1; n <= 12; ++n) {
        char name[4];
        std::snprintf(name, sizeof name, "F%d", n);
        if (!std::strcmp(code, name)) return VK_F1 + n - 1;
    }
    static const struct { const char* code; int vk; } named[] = {
        {"Escape", VK_ESCAPE}, {"Space", VK_SPACE}, {"Enter", VK_RETURN}, {"NumpadEnter", VK_RETURN},
        {"Backspace", VK_BACK}, {"Tab", VK_TAB}, {"Delete", VK_DELETE}, {"Home", VK_HOME},
        {"ArrowLeft", VK_LEFT}, {"ArrowRight", VK_RIGHT}, {"ArrowUp", VK_UP}, {"ArrowDown", VK_DOWN},
        {"ShiftLeft", VK_SHIFT}, {"ShiftRight", VK_SHIFT}, {"ControlLeft", VK_CONTROL}, {"ControlRight", VK_CONTROL},
        {"AltLeft", VK_MENU}, {"AltRight", VK_MENU},
    };
    for (const auto& n : named)
        if (!std::strcmp(code, n.code)) return n.vk;
    return 0;
}

bool browserKeepsKey(int vk, bool ctrl, bool shift, bool alt, bool meta) {
    // Reload, full screen and developer tools; the system's and the browser's
    // Alt/Meta shortcuts; Ctrl+Shift (developer tools, reopen tab), except
    // the editor's own (Ctrl+Shift+Z, redo, which the browser only uses in
    // text fields).
    if (vk == VK_F1 + 4 || vk == VK_F1 + 10 || vk == VK_F1 + 11) return true;
    if (alt || meta || vk == VK_MENU) return true;
    return ctrl && shift && vk != VK_CONTROL && vk != VK_SHIFT &&
           !(page().hooks.editorTakesCtrlShift && page().hooks.editorTakesCtrlShift(vk));
}

bool browserAlsoActsOn(int vk, bool ctrl, bool shift) {
    return page().hooks.browserActsToo && page().hooks.browserActsToo(vk, ctrl, shift);
}

void listenToPage(HWND window) {
    listenForPaste();
    const char* const page = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(page, window, EM_TRUE, onKey);
    emscripten_set_keyup_callback(page, window, EM_TRUE, onKey);
    // Presses only on the canvas (not on the help line or a dialog); moves and
    // releases anywhere, as a captured mouse on Windows.
    emscripten_set_mousedown_callback("#canvas", window, EM_TRUE, onMouse);
    emscripten_set_mousemove_callback(page, window, EM_TRUE, onMouse);
    emscripten_set_mouseup_callback(page, window, EM_TRUE, onMouse);
    emscripten_set_wheel_callback("#canvas", window, EM_TRUE, onWheel);
    emscripten_set_resize_callback(page, window, EM_FALSE, onResize);
}

bool fitCanvas(HWND hwnd) {
    CanvasWindow* window = canvasOf(hwnd);
    double cssW = 0, cssH = 0;
    emscripten_get_element_css_size("#canvas", &cssW, &cssH);
    const double ratio = emscripten_get_device_pixel_ratio();
    const int w = static_cast<int>(std::lround(cssW * ratio));
    const int h = static_cast<int>(std::lround(cssH * ratio));
    if (w == window->width && h == window->height) return false;
    window->width = w;
    window->height = h;
    emscripten_set_canvas_element_size("#canvas", w, h);
    return true;
}

// Files the shell wrote and files dropped on the page are looked at each
// time the loop asks for a message.
void collectInput() {
    releaseChosenFiles();
    serviceFiles();
    serviceDrops();
}

}  // namespace platform

// SDL events as Win32 messages, for the shared message queue (PeekMessageA
// and the key state are in platform/shared).
// Quirk: SDL reports events, Windows delivers messages with packed wParam and
// lParam; everything here repacks SDL's fields into Windows' own encodings so
// the window procedure reads them exactly as it would on Windows.
#include "platform/sdl/platform.h"

#include <algorithm>

namespace platform {

namespace {

// Buttons the translator has seen go down, as MK_* flags; SDL's button events
// carry only the one button that changed.
WPARAM buttonFlags = 0;

// Files of the drop SDL is reporting (between SDL_DROPBEGIN and
// SDL_DROPCOMPLETE); Windows delivers a drop as one message.
HDROP pendingDrop = nullptr;

// Client positions travel as signed 16-bit halves of lParam; a captured mouse
// far outside the window is pinned to that range rather than wrapped.
WORD packCoord(int v) { return static_cast<WORD>(static_cast<int16_t>(std::clamp(v, -32768, 32767))); }

WPARAM modifierFlags() {
    const SDL_Keymod mods = SDL_GetModState();
    WPARAM flags = 0;
    if (mods & KMOD_SHIFT) flags |= MK_SHIFT;
    if (mods & KMOD_CTRL) flags |= MK_CONTROL;
    return flags;
}

WPARAM flagsFromSdlButtons(Uint32 state) {
    WPARAM flags = 0;
    if (state & SDL_BUTTON_LMASK) flags |= MK_LBUTTON;
    if (state & SDL_BUTTON_RMASK) flags |= MK_RBUTTON;
    if (state & SDL_BUTTON_MMASK) flags |= MK_MBUTTON;
    return flags;
}

// Quirk: SDL's modifier state is the one after every event pumped so far, not
// the one at this event, so Ctrl and Shift follow their own key messages here.
QueuedMessage makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    QueuedMessage q;
    q.msg.hwnd = window;
    q.msg.message = message;
    q.msg.wParam = wParam;
    q.msg.lParam = lParam;
    q.msg.time = SDL_GetTicks();
    return q;
}

}  // namespace

int virtualKeyFor(const SDL_Keysym& key) {
    // Digits by position: Windows' '0'..'9' are the main row's keys on every
    // layout, while SDL's keycode there is the layout's unshifted character.
    if (key.scancode >= SDL_SCANCODE_1 && key.scancode <= SDL_SCANCODE_9) return '1' + (key.scancode - SDL_SCANCODE_1);
    if (key.scancode == SDL_SCANCODE_0) return '0';
    // Letters by the layout's meaning, as Windows maps VK_A..VK_Z.
    if (key.sym >= SDLK_a && key.sym <= SDLK_z) return 'A' + (key.sym - SDLK_a);
    if (key.scancode >= SDL_SCANCODE_KP_1 && key.scancode <= SDL_SCANCODE_KP_9)
        return VK_NUMPAD0 + 1 + (key.scancode - SDL_SCANCODE_KP_1);
    if (key.scancode == SDL_SCANCODE_KP_0) return VK_NUMPAD0;
    if (key.scancode >= SDL_SCANCODE_F1 && key.scancode <= SDL_SCANCODE_F12) return VK_F1 + (key.scancode - SDL_SCANCODE_F1);
    switch (key.scancode) {
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return VK_MENU;
    default: return 0;
    }
}

int translateEvent(const SDL_Event& event, HWND window, std::deque<QueuedMessage>& out) {
    const size_t before = out.size();
    switch (event.type) {
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            out.push_back(makeMessage(window, WM_CLOSE, 0, 0));
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            out.push_back(makeMessage(window, WM_SIZE, SIZE_RESTORED,
                                      MAKELPARAM(event.window.data1, event.window.data2)));
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            // Windows reports a minimised window as a 0 x 0 client area.
            out.push_back(makeMessage(window, WM_SIZE, SIZE_MINIMIZED, 0));
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED: {
            int w = 0, h = 0;
            if (sdlOf(window)) SDL_GetWindowSize(sdlOf(window), &w, &h);
            const WPARAM kind = event.window.event == SDL_WINDOWEVENT_MAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED;
            out.push_back(makeMessage(window, WM_SIZE, kind, MAKELPARAM(w, h)));
            break;
        }
        default: break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const int vk = virtualKeyFor(event.key.keysym);
        if (!vk) break;
        // lParam: repeat count 1, scan code in bits 16..23, bit 30 the previous
        // state (set on auto-repeat and on release), bit 31 set on release.
        LPARAM lParam = 1 | ((event.key.keysym.scancode & 0xff) << 16);
        if (event.type == SDL_KEYUP) lParam |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
        else if (event.key.repeat) lParam |= LPARAM{1} << 30;
        out.push_back(makeMessage(window, event.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP,
                                  static_cast<WPARAM>(vk), lParam));
        break;
    }
    case SDL_MOUSEMOTION:
        buttonFlags = flagsFromSdlButtons(event.motion.state);
        out.push_back(makeMessage(window, WM_MOUSEMOVE, buttonFlags | modifierFlags(),
                                  MAKELPARAM(packCoord(event.motion.x), packCoord(event.motion.y))));
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        WPARAM flag = 0;
        UINT message = 0;
        switch (event.button.button) {
        case SDL_BUTTON_LEFT: flag = MK_LBUTTON; message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case SDL_BUTTON_RIGHT: flag = MK_RBUTTON; message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        case SDL_BUTTON_MIDDLE: flag = MK_MBUTTON; message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        default: break;
        }
        if (!message) break;
        // wParam holds the buttons down after the change, as on Windows.
        buttonFlags = down ? (buttonFlags | flag) : (buttonFlags & ~flag);
        out.push_back(makeMessage(window, message, buttonFlags | modifierFlags(),
                                  MAKELPARAM(packCoord(event.button.x), packCoord(event.button.y))));
        break;
    }
    case SDL_MOUSEWHEEL: {
        int steps = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
        // One message of +-120 per notch, as a notched wheel sends on Windows;
        // a burst from a fast spin is capped rather than replayed by the hundred.
        steps = std::clamp(steps, -16, 16);
        // Windows puts the cursor's screen position in a wheel message's lParam.
        int sx = 0, sy = 0;
        SDL_GetGlobalMouseState(&sx, &sy);
        const LPARAM lParam = MAKELPARAM(packCoord(sx), packCoord(sy));
        const int16_t delta = steps > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
        for (int n = steps > 0 ? steps : -steps; n > 0; --n)
            out.push_back(makeMessage(window, WM_MOUSEWHEEL,
                                      MAKEWPARAM(buttonFlags | modifierFlags(), static_cast<WORD>(delta)), lParam));
        break;
    }
    case SDL_DROPBEGIN:
        delete pendingDrop;
        pendingDrop = nullptr;
        break;
    case SDL_DROPFILE:
        // Quirk: SDL reports one event per file; Windows one message per drop.
        if (!window || !window->acceptFiles || !event.drop.file) break;
        if (!pendingDrop) pendingDrop = new HDROP__;
        pendingDrop->files.push_back(event.drop.file);
        break;
    case SDL_DROPCOMPLETE:
        if (pendingDrop && window && window->acceptFiles)
            out.push_back(makeMessage(window, WM_DROPFILES, reinterpret_cast<WPARAM>(pendingDrop), 0));
        else delete pendingDrop;
        pendingDrop = nullptr;
        break;
    default: break;
    }
    return static_cast<int>(out.size() - before);
}

void pumpIntoQueue() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        translateEvent(event, mainWindow(), messageQueue());
        // SDL hands the file name to whoever takes the event.
        if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT) SDL_free(event.drop.file);
    }
}

namespace {
// SDL_FilterEvents callback: keep only what a disabled window still gets.
int SDLCALL keepNonInput(void*, SDL_Event* event) {
    if (event->type >= SDL_KEYDOWN && event->type < SDL_JOYAXISMOTION) return 0;  // keyboard, text, mouse
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_CLOSE) return 0;
    if (event->type == SDL_QUIT) return 0;
    // A disabled window takes no drops either; the name is ours to free.
    if (event->type == SDL_DROPFILE || event->type == SDL_DROPTEXT) SDL_free(event->drop.file);
    if (event->type >= SDL_DROPFILE && event->type <= SDL_DROPCOMPLETE) return 0;
    return 1;
}
}  // namespace

void beginModal() {
    pumpIntoQueue();
    cancelModes();
}

void endModal() {
    SDL_PumpEvents();
    SDL_FilterEvents(keepNonInput, nullptr);
    delete pendingDrop;
    pendingDrop = nullptr;
    // Windows keeps the key state up to date while the box runs its own loop;
    // here those releases were dropped. Keys count as up again, except the
    // modifiers SDL still sees held (a held key's next press sets it anew).
    const SDL_Keymod mods = SDL_GetModState();
    releaseKeys((mods & KMOD_CTRL) != 0, (mods & KMOD_SHIFT) != 0, (mods & KMOD_ALT) != 0);
    // A button released meanwhile: SDL saw the release (the pumping above)
    // though its event was thrown away, so the buttons are as SDL says.
    const Uint32 held = SDL_GetMouseState(nullptr, nullptr);
    setMouseButtons((held & SDL_BUTTON_LMASK ? MK_LBUTTON : 0) | (held & SDL_BUTTON_RMASK ? MK_RBUTTON : 0) |
                    (held & SDL_BUTTON_MMASK ? MK_MBUTTON : 0));
}

// Windows keeps its queue filled as input arrives; SDL's events wait in SDL's
// own queue until asked for, which is done only when ours is empty.
void collectInput() {
    if (messageQueue().empty()) pumpIntoQueue();
}

}  // namespace platform

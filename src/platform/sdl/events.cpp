// SDL events as Win32 messages, for the shared message queue (PeekMessageA
// and the key state are in platform/shared).
// Quirk: SDL reports events, Windows delivers messages with packed wParam and
// lParam; everything here repacks SDL's fields into Windows' own encodings so
// the window procedure reads them exactly as it would on Windows.
#include "platform/sdl/platform.h"

namespace platform {

SdlState& sdlState() {
    static SdlState state;
    return state;
}

namespace {

WPARAM modifierFlags() {
    const SDL_Keymod mods = SDL_GetModState();
    return mouseKeyFlags(false, false, false, mods & KMOD_SHIFT, mods & KMOD_CTRL);
}

WPARAM flagsFromSdlButtons(Uint32 state) {
    return mouseKeyFlags(state & SDL_BUTTON_LMASK, state & SDL_BUTTON_RMASK, state & SDL_BUTTON_MMASK, false, false);
}

// Quirk: SDL's modifier state is the one after every event pumped so far, not
// the one at this event, so Ctrl and Shift follow their own key messages here.
QueuedMessage makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return queuedMessage(window, message, wParam, lParam, SDL_GetTicks());
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
    WPARAM& buttonFlags = sdlState().buttonFlags;
    HDROP& pendingDrop = sdlState().pendingDrop;
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
        const bool down = event.type == SDL_KEYDOWN;
        out.push_back(makeMessage(window, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk),
                                  keyLParam(down, event.key.repeat != 0, event.key.keysym.scancode)));
        break;
    }
    case SDL_MOUSEMOTION:
        buttonFlags = flagsFromSdlButtons(event.motion.state);
        out.push_back(makeMessage(window, WM_MOUSEMOVE, buttonFlags | modifierFlags(),
                                  packPosition(event.motion.x, event.motion.y)));
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        WPARAM flag = 0;
        // SDL numbers the buttons from 1: left, middle, right.
        const UINT message = buttonMessage(event.button.button - 1, down, &flag);
        if (!message) break;
        // wParam holds the buttons down after the change, as on Windows.
        buttonFlags = down ? (buttonFlags | flag) : (buttonFlags & ~flag);
        out.push_back(makeMessage(window, message, buttonFlags | modifierFlags(),
                                  packPosition(event.button.x, event.button.y)));
        break;
    }
    case SDL_MOUSEWHEEL: {
        const int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
        // Windows puts the cursor's screen position in a wheel message's lParam.
        int sx = 0, sy = 0;
        SDL_GetGlobalMouseState(&sx, &sy);
        for (const WPARAM wParam : wheelWParams(notches, buttonFlags | modifierFlags()))
            out.push_back(makeMessage(window, WM_MOUSEWHEEL, wParam, packPosition(sx, sy)));
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
    delete sdlState().pendingDrop;
    sdlState().pendingDrop = nullptr;
    // Windows keeps the key state up to date while the box runs its own loop;
    // here those releases were dropped. Keys count as up again, except the
    // modifiers SDL still sees held (a held key's next press sets it anew).
    const SDL_Keymod mods = SDL_GetModState();
    releaseKeys((mods & KMOD_CTRL) != 0, (mods & KMOD_SHIFT) != 0, (mods & KMOD_ALT) != 0);
    // A button released meanwhile: SDL saw the release (the pumping above)
    // though its event was thrown away, so the buttons are as SDL says.
    setMouseButtons(flagsFromSdlButtons(SDL_GetMouseState(nullptr, nullptr)));
}

// Windows keeps its queue filled as input arrives; SDL's events wait in SDL's
// own queue until asked for, which is done only when ours is empty.
void collectInput() {
    if (messageQueue().empty()) pumpIntoQueue();
}

}  // namespace platform

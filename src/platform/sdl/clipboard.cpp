// The clipboard hooks over SDL's clipboard, the window system's own.
#include "platform/sdl/platform.h"

void platform::putClipboardText(const std::string& text) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        // SDL treats an empty text as "clear the clipboard".
        SDL_SetClipboardText(text.c_str());
        return;
    }
    sdlState().localClipboard = text;
    sdlState().localClipboardHolds = true;
}

bool platform::fetchClipboardText(std::string& text) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        text = sdlState().localClipboard;
        return sdlState().localClipboardHolds;
    }
    if (!SDL_HasClipboardText()) return false;
    char* held = SDL_GetClipboardText();
    if (!held) return false;
    text = held;
    SDL_free(held);
    return true;
}

// The clipboard hooks over SDL's clipboard, the window system's own.
#include "platform/sdl/platform.h"

namespace {

// Without SDL's video there is no system clipboard (tests that bring up no
// window); the text then stays within the process, as a clipboard of its own.
std::string localText;
bool localHolds = false;

}  // namespace

void platform::putClipboardText(const std::string& text) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        // SDL treats an empty text as "clear the clipboard".
        SDL_SetClipboardText(text.c_str());
        return;
    }
    localText = text;
    localHolds = true;
}

bool platform::fetchClipboardText(std::string& text) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        text = localText;
        return localHolds;
    }
    if (!SDL_HasClipboardText()) return false;
    char* held = SDL_GetClipboardText();
    if (!held) return false;
    text = held;
    SDL_free(held);
    return true;
}

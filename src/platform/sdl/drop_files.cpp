// Dropped files: DragAcceptFiles for the HDROP that the event translator makes
// from SDL's drop events (the queries on it are in platform/shared).
// Quirk: SDL advertises the window as a drop target whenever its drop events
// are enabled, so accepting files is switching those events on.
#include "platform/sdl/platform.h"

void WINAPI DragAcceptFiles(HWND window, BOOL accept) {
    if (!window) return;
    window->acceptFiles = accept != FALSE;
    SDL_EventState(SDL_DROPFILE, accept ? SDL_ENABLE : SDL_DISABLE);
}


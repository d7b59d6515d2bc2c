// The process entry on hosts without Windows: bring up SDL's video, then run
// the editor's WinMain as Windows would.
// Quirk: Linux enters at main and has no instance handle or command-line
// string to hand over, and SDL quietly falls back to an invisible offscreen
// driver when no display is reachable, which is refused here.
#include "platform/sdl/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int, char**) {
    // Ctrl+C in the terminal ends the process at once instead of arriving as
    // a close request that asks about saving.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "VornGroundEditor: no display to open a window on (%s). "
                             "Run it in a desktop session, with DISPLAY or WAYLAND_DISPLAY set.\n",
                     SDL_GetError());
        return 1;
    }
    // SDL may settle on a driver with no screen; an editor nobody can see is a
    // failure, except for automated runs that ask for it.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool headless = driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy"));
    const char* allow = std::getenv("VORN_ALLOW_HEADLESS");
    if (headless && !(allow && *allow == '1')) {
        std::fprintf(stderr, "VornGroundEditor: no display to open a window on (video driver \"%s\"). "
                             "Run it in a desktop session, with DISPLAY or WAYLAND_DISPLAY set.\n", driver);
        SDL_Quit();
        return 1;
    }
    const int code = WinMain(nullptr, nullptr, const_cast<char*>(""), 0);
    SDL_Quit();
    return code;
}

// The running program: its path, its command line, and the display it needs.
// Quirks: Linux has no module handles, so the program's path comes from
// /proc/self/exe; Linux hands main an argv where Windows hands WinMain one
// string; and a Linux process may have no display at all, which Windows
// never lacks, so the video system starts with the first window call
// instead of at entry, and --help and --version work without a display.
#include "platform/sdl/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "shell/title.h"

// The program's path is /proc/self/exe's target; "" when it cannot be read.
std::string platform::modulePath() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof path) return "";
    return std::string(path, static_cast<size_t>(n));
}

std::string platform::windowsCommandLine(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (i > 1) line += ' ';
        if (*arg && !std::strpbrk(arg, " \t\"")) {
            line += arg;  // backslashes not before a quote stay as they are
            continue;
        }
        line += '"';
        size_t slashes = 0;
        for (const char* p = arg; *p; ++p) {
            if (*p == '\\') {
                ++slashes;
                continue;
            }
            // Backslashes before a quote are doubled, and the quote escaped.
            if (*p == '"') line.append(slashes + 1, '\\');
            line.append(slashes, '\\');
            line += *p;
            slashes = 0;
        }
        line.append(2 * slashes, '\\');  // before the closing quote
        line += '"';
    }
    return line;
}

void platform::startVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s: no display to open a window on (%s). "
                             "Run it in a desktop session, with DISPLAY or WAYLAND_DISPLAY set.\n",
                     kTitle, SDL_GetError());
        std::exit(1);
    }
    // SDL may settle on a driver with no screen; an editor nobody can see is a
    // failure, except for automated runs that ask for it.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool headless = driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy"));
    const char* allow = std::getenv("VORN_ALLOW_HEADLESS");
    if (headless && !(allow && *allow == '1')) {
        std::fprintf(stderr, "%s: no display to open a window on (video driver \"%s\"). "
                             "Run it in a desktop session, with DISPLAY or WAYLAND_DISPLAY set.\n", kTitle, driver);
        SDL_Quit();
        std::exit(1);
    }
}

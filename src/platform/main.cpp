// The process entry on hosts without Windows: run the editor's WinMain as
// Windows would, with the arguments joined into Windows' one command line.
// Quirk: Linux enters at main and has no instance handle; the video system
// starts with the first window call (platform::startVideo), so --help and
// --version answer without a display.
#include "platform/platform.h"

int main(int argc, char** argv) {
    // Ctrl+C in the terminal ends the process at once instead of arriving as
    // a close request that asks about saving.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::string commandLine = platform::windowsCommandLine(argc, argv);
    const int code = WinMain(nullptr, nullptr, &commandLine[0], 0);
    SDL_Quit();
    return code;
}

// Internal records of the Win32-over-SDL2 layer, shared by its files only.
#pragma once
#include <windows.h>
#include <SDL.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/shared/win32_shared.h"

// What a HGLRC points to: SDL's context.
struct HGLRC__ {
    SDL_GLContext sdl = nullptr;
};

namespace platform {

// What a HWND points to on this host: the shared part and one SDL window.
struct SdlWindow : HWND__ {
    SDL_Window* sdl = nullptr;
};

// Everything this host keeps between calls, beside the shared record.
struct SdlState {
    // Buttons the translator has seen go down, as MK_* flags; SDL's button
    // events carry only the one button that changed.
    WPARAM buttonFlags = 0;
    // Files of the drop SDL is reporting (between SDL_DROPBEGIN and
    // SDL_DROPCOMPLETE); Windows delivers a drop as one message.
    HDROP pendingDrop = nullptr;
    // Without SDL's video there is no system clipboard (tests that bring up
    // no window); the text then stays within the process, as a clipboard of its own.
    std::string localClipboard;
    bool localClipboardHolds = false;
};
// The one record, made at its first use.
SdlState& sdlState();

// The SDL window behind `window`, or null.
inline SDL_Window* sdlOf(HWND window) { return window ? static_cast<SdlWindow*>(window)->sdl : nullptr; }

// Appends the Win32 messages for one SDL event to `out`; returns how many.
// Button state for MK_* flags comes from the event (motion) or from the
// buttons the translator has seen go down (button events).
int translateEvent(const SDL_Event& event, HWND window, std::deque<QueuedMessage>& out);

// Moves every pending SDL event into the message queue.
void pumpIntoQueue();

// Modal boxes and dialogs: before one opens, pending input is queued (it came
// first) and the window gets WM_CANCELMODE, as Windows sends it; after it
// closes, input that arrived meanwhile, and a close request, are thrown away,
// as Windows drops input to a window disabled by a modal box.
// endModal also sets the key state anew: key releases that happened while the
// box had the keyboard were thrown away with the rest, and a Ctrl that stayed
// "down" would turn the next Z into an undo; the mouse buttons are as SDL
// last saw them, so a stroke's release taken by the box counts.
void beginModal();
void endModal();

// Windows' virtual-key code for an SDL key, or 0 when the editor's host has none.
int virtualKeyFor(const SDL_Keysym& key);

// Caller: main. argv[1..] joined into one command line with Windows'
// quoting, which the shell's splitCommandLine takes apart again exactly.
std::string windowsCommandLine(int argc, char** argv);

// Caller: openHostWindow (CreateWindowExA). Brings up SDL's video once;
// with no display to show a window on, says so on stderr and ends the
// process with 1 (the shell checks no window call's result).
void startVideo();

}  // namespace platform

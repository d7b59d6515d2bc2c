// MessageBoxA as SDL's modal message box.
// Quirk: SDL's box never wraps its text, as Windows' does; a long path made it
// wider than the screen, so the text is wrapped first (wrapBoxText).
// Quirk: SDL's box blocks in its own event loop without disabling the editor's
// window, so the input that reaches the window meanwhile is dropped afterwards
// (beginModal / endModal), as Windows drops input to a disabled owner.
#include "platform/sdl/platform.h"

#include <cstdio>
#include <string>

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const UINT buttons = type & 0x0f;
    SDL_MessageBoxButtonData data[3];
    int count = 0;
    int closeAnswer = IDOK;  // what closing the box without a button means
    auto add = [&](int id, const char* label, Uint32 flags) { data[count++] = {flags, id, label}; };
    switch (buttons) {
    case MB_YESNOCANCEL:
        add(IDYES, "Yes", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT);
        add(IDNO, "No", 0);
        add(IDCANCEL, "Cancel", SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
        closeAnswer = IDCANCEL;
        break;
    case MB_YESNO:
        // Windows gives a Yes/No box no Cancel: Esc does nothing and the close
        // box is disabled. SDL cannot disable a window manager's close button,
        // so closing it answers No, the answer that changes nothing.
        add(IDYES, "Yes", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT);
        add(IDNO, "No", 0);
        closeAnswer = IDNO;
        break;
    case MB_OKCANCEL:
        add(IDOK, "OK", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT);
        add(IDCANCEL, "Cancel", SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
        closeAnswer = IDCANCEL;
        break;
    default:
        add(IDOK, "OK", SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
        closeAnswer = IDOK;
        break;
    }
    SDL_MessageBoxData box = {};
    box.flags = ((type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION) |
                SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.window = platform::sdlOf(owner);
    box.title = caption ? caption : "Error";
    // About the width of a Windows box at its widest.
    const std::string message = platform::wrapBoxText(text ? text : "", 90);
    box.message = message.c_str();
    box.numbuttons = count;
    box.buttons = data;

    platform::beginModal();
    int answer = -1;
    if (SDL_ShowMessageBox(&box, &answer) < 0) {
        // No box can be shown (headless test driver): say it where someone may
        // read it and take the answer that changes nothing.
        std::fprintf(stderr, "%s: %s (%s)\n", box.title, box.message, SDL_GetError());
        answer = -1;
    }
    platform::endModal();
    return answer < 0 ? closeAnswer : answer;
}

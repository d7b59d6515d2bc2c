// Dropped files: DragAcceptFiles, DragQueryFileA and DragFinish over the
// HDROP that the event translator makes from SDL's drop events.
// Quirk: SDL advertises the window as a drop target whenever its drop events
// are enabled, so accepting files is switching those events on.
#include "platform/sdl/platform.h"

#include <cstring>

void WINAPI DragAcceptFiles(HWND window, BOOL accept) {
    if (!window) return;
    window->acceptFiles = accept != FALSE;
    SDL_EventState(SDL_DROPFILE, accept ? SDL_ENABLE : SDL_DISABLE);
}

// Windows' encodings: index 0xFFFFFFFF gives the number of files; a null
// buffer gives the name's length without its NUL; otherwise the name is
// copied, cut to size - 1 characters, and the characters copied are returned.
// An index past the last file gives 0.
UINT WINAPI DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT size) {
    if (!drop) return 0;
    if (index == 0xFFFFFFFF) return static_cast<UINT>(drop->files.size());
    if (index >= drop->files.size()) return 0;
    const std::string& name = drop->files[index];
    if (!file) return static_cast<UINT>(name.size());
    if (size == 0) return 0;
    const size_t n = name.size() < size - 1 ? name.size() : size - 1;
    std::memcpy(file, name.data(), n);
    file[n] = '\0';
    return static_cast<UINT>(n);
}

void WINAPI DragFinish(HDROP drop) { delete drop; }

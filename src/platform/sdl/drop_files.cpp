// Dropped files: DragAcceptFiles's host part (the event translator makes the
// HDROP from SDL's drop events; DragAcceptFiles and the queries are in
// platform/shared).
// Quirk: SDL advertises the window as a drop target whenever its drop events
// are enabled, so accepting files is switching those events on.
#include "platform/sdl/platform.h"

void platform::offerDrops(bool on) { SDL_EventState(SDL_DROPFILE, on ? SDL_ENABLE : SDL_DISABLE); }


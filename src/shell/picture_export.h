// The map as a picture file (Ctrl+E).
#pragma once
#include <windows.h>

// Ctrl+E: the save dialog (PNG first), then the whole map as the frame shows
// it at zoom 1, 2048 x 2048, with the mission's objects while they are shown,
// written as a PNG through the safe save. The art is the atlases start-up
// loaded (atlasImages), so files removed since change nothing; without one
// the picture needs, it says "The picture needs <name>, which was not found
// at start-up." before any dialog and writes nothing. A failed write says
// "Could not save the picture." and the system's reason; a cancelled dialog
// is silent. The map and its file are untouched.
void exportPicture(HWND window);

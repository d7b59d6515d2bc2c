// The frame in immediate mode, the reference for the editor's array frame.
#pragma once
#include <windows.h>

// drawFrame as it was: the same layers, states and swap, one call per
// texture coordinate and vertex. Needs the offscreen context current.
void drawFrameImmediate(HWND window, HDC dc);

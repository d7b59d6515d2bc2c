// Frame rendering and the view set-up (OpenGL 1.1 immediate mode).
#pragma once
#include <windows.h>

// Viewport and projection from the client size and the view state; leaves
// GL_MODELVIEW current. Harmless with no current context or an empty client area.
void applyView(HWND window);
// Draws one whole frame and swaps. Caller: the main loop only.
void drawFrame(HWND window, HDC dc);

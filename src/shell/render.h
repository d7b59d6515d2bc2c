// Frame rendering, the view set-up and the height texture (OpenGL 1.1).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Viewport and projection from the client size and the view state; leaves
// GL_MODELVIEW current. Harmless with no current context or an empty client area.
void applyView(HWND window);

// The world rectangle (x right, y up) the projection applyView set last
// shows; without one yet, the whole plane. drawFrame skips the quads wholly
// outside it.
struct WorldWindow {
    double left = -1e300, right = 1e300, bottom = -1e300, top = 1e300;
};
extern WorldWindow viewWindow;
// Draws one whole frame and swaps. Caller: the main loop only.
void drawFrame(HWND window, HDC dc);
// The frame's lines, in immediate mode; drawFrame and the tests' reference
// frame call them. The selection's yellow frame (drawn after the corner
// overlay, while one stands); in corner editing the cyan symmetry axes and
// the white outline of where the next press lands, with its images, for a
// w x h client area (drawn last). Each leaves the colour the overlay's and
// texturing on.
void drawSelectionFrame();
void drawToolMarks(int32_t clientW, int32_t clientH);

// Callers: start-up and key R. Fills the height field at random and returns
// the name of its new height texture.
unsigned generateHeightField();
// Caller: key G. Reads a grey bitmap into the height field and returns its
// new texture, or 0 (field unchanged) when the file cannot be opened. An
// image of another size leaves the field unchanged, returns a texture of it
// and gives the reason (files/reason.h).
unsigned importGreyBitmap(const char* path, std::string* reason = nullptr);

// Frame rendering, the view set-up and the height texture (OpenGL 1.1).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

struct GroundMap;

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
// More of the frame's layers that drawFrame and the reference frame share,
// each drawn in client pixels for a w x h client area and leaving the
// state as the lines above do. The grid of `map`'s cell boundaries while
// Ctrl+G has it on (after the objects, before the height overlay); the
// status strip along the bottom while Tab has it on (last), which also
// sets shownStatusText.
void drawGrid(const GroundMap& map, int32_t w, int32_t h);
void drawStatusStrip(int32_t w, int32_t h);
// How often the grid's and the strip text's quads were filled: the tests
// and benchmarks count that a frame showing what the last one did fills none.
struct OverlayBuilds {
    int64_t grid = 0;
    int64_t text = 0;
};
extern OverlayBuilds overlayBuilds;
// How far, in texels, the tile layer's texture rectangles stay inside each
// tile's 32 x 32 block at `zoom`: 0 at zoom 1 (pixel for pixel), otherwise
// enough that a pixel centre on a cell's edge never samples the
// neighbouring tile of the atlas. drawFrame and the reference frame use it.
double tileTexelInset(double zoom);

// Callers: start-up and key R. Fills the height field at random and returns
// the name of its new height texture.
unsigned generateHeightField();
// Caller: key G. Reads a grey bitmap into the height field and returns its
// new texture, or 0 (field unchanged) when the file cannot be opened. An
// image of another size leaves the field unchanged, returns a texture of it
// and gives the reason (files/reason.h).
unsigned importGreyBitmap(const char* path, std::string* reason = nullptr);

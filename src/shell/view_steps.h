// Pure arithmetic of the shell's mouse and timing commands: pan and zoom steps,
// the brush walk, and the main loop's frame pacing. No window, no OpenGL.
#pragma once
#include <cstdint>
#include "shell/editor_state.h"

// Zoom stays inside [kZoomMin, kZoomMax] and each pan coordinate inside
// [-kPanLimit, kPanLimit]. Inside these bounds every conversion to int32 and to
// float (applyView) is defined and screenToLattice's integer sums cannot overflow.
constexpr double kZoomMin = 1e-9;
constexpr double kZoomMax = 1e9;
constexpr int32_t kPanLimit = 1 << 30;
constexpr double kZoomStep = 1.2;
// Pixels one world unit (a cell) spans at zoom 1.
constexpr double kPixelsPerCell = 32.0;

// One wheel notch (delta > 0 zooms in, else out), about the client centre.
// Caller: editorWndProc on WM_MOUSEWHEEL. Returns false, leaving the view
// untouched, when the step would carry zoom or pan out of bounds.
bool zoomStep(ViewState& view, int32_t wheelDelta);

// Right-button drag from (x0, y0) to (x1, y1): pan grows by the previous minus
// the new position, clamped to the pan bounds. Caller: editorWndProc.
void panStep(ViewState& view, int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// Home: the zoom at which the editor's map's side fills 90% of the smaller
// side of a w x h client area, and the pan (whole pixels, rounded) that puts
// the map's centre at the client's centre. Returns false, leaving the view
// untouched, for an empty client area.
bool wholeMapStep(ViewState& view, int32_t w, int32_t h);

// Calls visit(px, py) for each point of the size x size brush whose top-left
// is at (lx, ly) that lies inside the grid, column by column and top to bottom,
// px = trunc(lx + i), py = trunc(ly + j). Work is bounded by the grid, not by
// the brush size. Requires (lx, ly) to lie on a point of the grid
// (latticePointAt of it inside).
template <typename Visit>
void forEachBrushPoint(double lx, double ly, int32_t size, int32_t maxPx, int32_t maxPy, Visit visit) {
    // lx, ly > -1, so trunc(l + k) >= 0 for every k >= 0; trunc grows with k,
    // so the first point past the far edge ends its column or row.
    for (int32_t i = 0; i < size; ++i) {
        const double sx = lx + i;
        if (sx >= maxPx + 1.0) break;
        const int32_t px = static_cast<int32_t>(sx);
        for (int32_t j = 0; j < size; ++j) {
            const double sy = ly + j;
            if (sy >= maxPy + 1.0) break;
            visit(px, static_cast<int32_t>(sy));
        }
    }
}

// The frame interval: a frame starts only when more than this many
// milliseconds have passed since the last one started.
constexpr int32_t kFrameIntervalMs = 25;

// Main loop pacing: whether a frame is due at tick `now` after a frame began at
// tick `lastFrame`, by the wrapping 32-bit difference read as signed.
bool frameDue(uint32_t now, uint32_t lastFrame);

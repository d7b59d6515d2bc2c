#include "shell/view_steps.h"

#include <cmath>

bool zoomStep(ViewState& view, int32_t wheelDelta) {
    const bool in = wheelDelta > 0;
    const double zoom = in ? view.zoom * kZoomStep : view.zoom / kZoomStep;
    const double panX = in ? view.panX * kZoomStep : view.panX / kZoomStep;
    const double panY = in ? view.panY * kZoomStep : view.panY / kZoomStep;
    // Compare in double before any conversion: a refused step changes nothing.
    if (!(zoom >= kZoomMin && zoom <= kZoomMax)) return false;
    if (std::fabs(panX) > kPanLimit || std::fabs(panY) > kPanLimit) return false;
    view.zoom = zoom;
    view.panX = static_cast<int32_t>(panX);  // toward zero, both signs
    view.panY = static_cast<int32_t>(panY);
    return true;
}

static int32_t clampPan(int64_t v) {
    if (v > kPanLimit) return kPanLimit;
    if (v < -kPanLimit) return -kPanLimit;
    return static_cast<int32_t>(v);
}

void panStep(ViewState& view, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    // 64-bit sums: positions are 16-bit, pan is bounded, so nothing overflows.
    view.panX = clampPan(int64_t{view.panX} + (int64_t{x0} - x1));
    view.panY = clampPan(int64_t{view.panY} + (int64_t{y0} - y1));
}

bool wholeMapStep(ViewState& view, int32_t w, int32_t h) {
    if (w <= 0 || h <= 0) return false;
    // A world unit is 32 * zoom pixels and the map 64 units across; a pixel
    // sits at centre + 32 * zoom * world - pan, so the centre (32, 32) needs
    // pan 1024 * zoom on both axes.
    view.zoom = 0.9 * (w < h ? w : h) / (kMapCells * kPixelsPerCell);
    view.panX = view.panY = static_cast<int32_t>(std::llround(kMapCells / 2 * kPixelsPerCell * view.zoom));
    return true;
}

bool frameDue(uint32_t now, uint32_t lastFrame) {
    return static_cast<int32_t>(now - lastFrame) > kFrameIntervalMs;
}

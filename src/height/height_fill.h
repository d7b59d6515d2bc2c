// Edit mode 2: fill the preview map from the height field under the cursor.
// The fill itself is height_fill.cpp; the frame's preview step and the
// commit, the only part that reads the shell's state, are fill_preview.cpp.
#pragma once
#include <cstdint>

// The lattice the fill works on: 129 x 129 points, as the 64 x 64 maps and
// the height field have.
constexpr int32_t kFillSide = 129;
constexpr int32_t kFillPoints = kFillSide * kFillSide;

// Makes the preview map a copy of the working map and paints every point
// reachable from (x, y) through points at/above (or at/below) the threshold,
// exactly as a paintCorner per point in breadth-first order would. A start
// off the lattice or a kind outside 0..4 leaves the copy unpainted.
void heightFill(int32_t x, int32_t y, int32_t kind, double threshold, bool fillBelow);
// The frame's preview step (edit mode 2): start point and threshold from the
// last mouse position, for a client area of w x h pixels. With the cursor off
// the lattice the preview becomes a copy of the working map. When nothing it
// reads has changed since the last call (cursor point, threshold, kind,
// fill-below flag, working map, height field, and the preview map itself),
// the preview is kept as it is.
void previewHeightFill(int32_t w, int32_t h);
// Left click in edit mode 2: working map becomes the preview, edit mode 0.
// A preview that no longer matches what it was built from (the working map,
// height field, kind or flag changed, or the mouse moved, since the last
// frame) is rebuilt first, for the client size of the last preview step
// (800 x 600 if there was none), so a click never commits a stale map.
void commitFillPreview();

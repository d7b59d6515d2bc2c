// Edit mode 2: fill the preview map from the height field under the cursor.
#pragma once
#include <cstdint>

// Makes the preview map a copy of the working map and paints every point
// reachable from (x, y) through points at/above (or at/below) the threshold.
void heightFill(int32_t x, int32_t y, int32_t kind, double threshold, bool fillBelow);
// The frame's preview step (edit mode 2): start point and threshold from the
// last mouse position, for a client area of w x h pixels.
void previewHeightFill(int32_t w, int32_t h);
// Left click in edit mode 2: working map becomes the preview, edit mode 0.
void commitFillPreview();

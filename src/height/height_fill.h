// Edit mode 2: fill a preview map from a height field under the cursor.
// The fill itself is height_fill.cpp; the frame's preview step and the
// commit are fill_preview.cpp. Every function takes the maps and the field it
// acts on; the shell passes its working and preview maps, its height field,
// the cursor's lattice position, the kind and the fill direction.
#pragma once
#include <cstdint>

#include "height/height_field.h"
#include "map/ground_map.h"

// The lattice the fill works on: the editor's map's, as the height field has.
constexpr int32_t kFillSide = kLatticeSide;
constexpr int32_t kFillPoints = kFillSide * kFillSide;

// Callers: previewHeightFill, tests. Makes `preview` a copy of `working` and
// paints every point reachable from (x, y) through points of `field` at/above
// (or at/below) the threshold, exactly as a paintCorner per point in
// breadth-first order would, and returns how many points it painted. A start
// off the lattice or a kind outside 0..4 leaves the copy unpainted (0).
// `preview` and `working` must be different maps.
int32_t heightFill(GroundMap& preview, const GroundMap& working, const HeightField& field, int32_t x, int32_t y,
                int32_t kind, double threshold, bool fillBelow);
// Caller: the shell's frame in edit mode 2. The preview step: start point and
// threshold from the cursor's lattice position (screenToLattice of the last
// mouse position), then heightFill with `kind` and `fillBelow`. With the
// cursor off the lattice `preview` becomes a copy of `working`. When nothing
// it reads has changed since the last call (cursor point, threshold, kind,
// fill-below flag, working map, height field, and the preview map itself),
// the preview is kept as it is. Returns how many points the preview painted
// (heightFill's count; 0 off the lattice), kept with a kept preview.
int32_t previewHeightFill(GroundMap& preview, const GroundMap& working, const HeightField& field, LatticePos cursor,
                       int32_t kind, bool fillBelow);
// Caller: the shell's left click in edit mode 2, which then leaves the mode.
// `working` becomes `preview`. A preview that no longer matches these inputs
// (the working map, height field, kind or flag changed, or the cursor moved,
// since the last preview step) is rebuilt first, so a click never commits a
// stale map.
void commitFillPreview(GroundMap& working, GroundMap& preview, const HeightField& field, LatticePos cursor,
                       int32_t kind, bool fillBelow);

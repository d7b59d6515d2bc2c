// The height fill done the plain way, to check the production fill against and
// to time it: a plain breadth-first search with one paintCorner of the plain
// reference map per passing point.
#pragma once
#include <cstdint>

#include "height/height_field.h"
#include "map/ground_map.h"
#include "reference/ground_map_reference.h"

// Makes `preview` a copy of `working`, then fills from (x, y) with paintCorner;
// returns how many points it painted.
int32_t referenceHeightFill(reference::RefGroundMap& preview, const GroundMap& working, const HeightField& field,
                         int32_t x, int32_t y, int32_t kind, double threshold, bool fillBelow);

// The editor's preview step over the program-wide records, built into `out`:
// the threshold under the last mouse position, then referenceHeightFill from
// the working map; off the lattice `out` becomes a copy of the working map.
// Returns how many points it painted.
int32_t referencePreviewHeightFill(reference::RefGroundMap& out, int32_t w, int32_t h);

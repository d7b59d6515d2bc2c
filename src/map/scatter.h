// The scatter tool: the brush's stroke, each point of the square painted
// only when the stroke's own generator draws below the density, so that a
// stroke from the same press over the same moves paints the same points.
#pragma once
#include <cstdint>

#include "map/ground_map.h"
#include "map/lcg_random.h"
#include "map/paint_tools.h"

// Caller: the scatter tool's left press, which seeds the stroke's generator
// with it. py * (points a lattice row) + px for a press point inside the
// map's lattice, else 0.
uint32_t scatterSeed(const GroundMap& map, LatticePoint press);

// Caller: the scatter tool, at each mouse move of a stroke, with the
// generator its press seeded. Walks the brush square whose top-left is
// lattice position `topLeft` exactly as the brush does (columns left to
// right, top to bottom within a column, point trunc(x + i), trunc(y + j),
// points outside the lattice left out) and draws once for each point walked;
// the point is painted with `kind` when draw * 100 < density * 32768 (density
// in percent), followed by its symmetry images, which take no draw. The grids
// afterwards are exactly those of one paintCorner per painted point and image
// in that order. A top-left outside the lattice (where the brush is not
// called) paints nothing and draws nothing.
void scatterStep(GroundMap& map, LcgRandom& random, LatticePos topLeft, int32_t size, int32_t density, int32_t kind,
                 Symmetry symmetry);

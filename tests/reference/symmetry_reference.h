// Plain versions of the symmetry check, the mend and the scatter stroke,
// written from the rules as a user reads them, point by point: the production
// code is checked against them and timed beside them.
#pragma once
#include <cstdint>
#include <vector>

#include "map/paint_tools.h"
#include "reference/ground_map_reference.h"

namespace reference {

// The images of point (x, y) on a w x h lattice: each candidate (left-right,
// top-bottom, half turn) the mode names, repeats included.
std::vector<LatticePoint> plainImages(Symmetry s, LatticePoint p, int32_t w, int32_t h);

// Every point compared with each of its images: how many differ from one.
int32_t plainUnlikeCount(const uint8_t* corners, int32_t w, int32_t h, Symmetry s);
// The same points, row by row.
std::vector<LatticePoint> plainUnlikePoints(const uint8_t* corners, int32_t w, int32_t h, Symmetry s);

// The mend by its definition: the closed source part holding `cursor` (false,
// map untouched, when there is none); every point outside it takes the kind
// of the image inside it; then selectTile for every cell, row by row.
bool plainMend(RefGroundMap& map, Symmetry s, LatticePoint cursor);

// One scatter step over `walked` (the brush square's points in its order):
// a draw of the generator at `state` per point, the point painted with
// paintCorner when draw * 100 < density * 32768, then each of its images.
void plainScatter(RefGroundMap& map, uint32_t& state, const std::vector<LatticePoint>& walked, int32_t density,
                  int32_t kind, Symmetry s);

}  // namespace reference

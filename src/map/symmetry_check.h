// Symmetry you can check: the lattice points whose kind is unlike that of
// their images under a painting symmetry, the parts a mode cuts the lattice
// into, and the mend that makes the lattice exactly symmetric from one part.
#pragma once
#include <cstdint>
#include <vector>

#include "map/ground_map.h"
#include "map/paint_tools.h"

// Callers: the shell's status line (recounted when the working map or the
// mode changes, never per frame) and vorn-map check. How many lattice points
// hold a kind other than that of at least one of their images under
// `symmetry` (the images of symmetryImages); 0 when symmetry is off.
int32_t countUnlikeImage(const GroundMap& map, Symmetry symmetry);

// Caller: the shell's marks (K), rebuilt when the counts are. Replaces `out`
// with the points countUnlikeImage counts, row by row (y ascending, then x),
// ready to become one square each; returns how many.
int32_t findUnlikeImage(const GroundMap& map, Symmetry symmetry, std::vector<LatticePoint>& out);

// Callers: vorn-map check and the mend. How many parts `symmetry` cuts the
// lattice into (0 when off, 2, or 4 for mirror four ways) and their names,
// in this order: left, right (mirror left-right and half turn); top, bottom
// (mirror top-bottom); top-left, top-right, bottom-left, bottom-right (four
// ways). nullptr for a part the mode does not have.
int32_t symmetryPartCount(Symmetry symmetry);
const char* symmetryPartName(Symmetry symmetry, int32_t part);

// Callers: vorn-map check and the mend. The part holding point p of a w x h
// lattice, or -1 for a point on an axis (the half turn's is the centre
// column), outside the lattice, or with symmetry off.
int32_t symmetryPartOf(Symmetry symmetry, LatticePoint p, int32_t w, int32_t h);

// Caller: the shell's Ctrl+M, with the point under the cursor. Makes the
// lattice exactly symmetric under `symmetry` from the closed part that holds
// `source`: that part with its axis halves (four ways: the quadrant with
// both; the half turn: its half, with the centre column's half on its own
// side, the top half from the left, the bottom half from the right). Every
// point outside it gets the kind of its image inside it, written straight
// into the lattice, no repair; then every cell's tile is selected anew, row
// by row. Returns whether any point or tile changed. Does nothing (false)
// with symmetry off or `source` outside the lattice or on an axis.
// Afterwards countUnlikeImage(map, symmetry) is 0.
bool mendSymmetry(GroundMap& map, Symmetry symmetry, LatticePoint source);

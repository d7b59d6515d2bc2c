// The painting tools' points: the line, the rectangle, the bucket's region
// and the symmetry images, each in the order painting visits them, and the
// one call that paints such a list.
#pragma once
#include <cstdint>
#include <vector>

#include "map/ground_map.h"

// How each painted point is repeated on the lattice.
enum class Symmetry : int32_t { off, mirrorLeftRight, mirrorTopBottom, mirrorFourWays, halfTurn };

// The images of p on a lattice of w x h points, in the order they are
// painted after p: left-right (w-1-x, y), top-bottom (x, h-1-y), the half
// turn (w-1-x, h-1-y); four ways gives all three in that order. An image
// equal to p or to an earlier image is left out. Writes them to `out` and
// returns how many (0..3).
int32_t symmetryImages(Symmetry symmetry, LatticePoint p, int32_t w, int32_t h, LatticePoint out[3]);

// The line's points from a to b: n = max(|dx|, |dy|) and for t = 0..n the
// point a + round(t * d / n), halves rounded away from zero; a alone when
// a == b. Replaces `out`.
void linePoints(LatticePoint a, LatticePoint b, std::vector<LatticePoint>& out);

// Appends the size x size brush square whose top-left is p, in the brush's
// order (columns left to right, top to bottom within a column), leaving out
// points outside a w x h lattice. Work is bounded by the lattice.
void appendBrushSquare(LatticePoint p, int32_t size, int32_t w, int32_t h, std::vector<LatticePoint>& out);

// Caller: the line tool. The brush square at each of linePoints(a, b), in
// line order. Replaces `out`.
void lineBrushPoints(LatticePoint a, LatticePoint b, int32_t size, int32_t w, int32_t h,
                     std::vector<LatticePoint>& out);

// Caller: the rectangle tool. Every point between a and b, both inclusive,
// x from the smaller to the larger in the outer loop, y likewise inside.
// Replaces `out`.
void rectanglePoints(LatticePoint a, LatticePoint b, std::vector<LatticePoint>& out);

// Caller: the bucket tool. The points 4-connected to `a` (inside the
// lattice) holding a's kind, row by row (y ascending), left to right; empty
// when a's kind is already `kind`. Replaces `out`.
void bucketPoints(const GroundMap& map, LatticePoint a, int32_t kind, std::vector<LatticePoint>& out);

// Each point of `points` followed by its symmetry images on a w x h
// lattice. Replaces `out`, which must not be `points`.
void withSymmetryImages(const std::vector<LatticePoint>& points, Symmetry symmetry, int32_t w, int32_t h,
                        std::vector<LatticePoint>& out);

// Callers: the tools and the brush. Paints every point (inside the lattice)
// with `kind`, each followed by its symmetry images; the grids afterwards
// are exactly those of one paintCorner per point in that order.
void paintPoints(GroundMap& map, const std::vector<LatticePoint>& points, int32_t kind, Symmetry symmetry);

// Textured quads kept in client-side vertex arrays (OpenGL 1.1) and drawn with
// a handful of calls instead of four texture coordinates and four vertices each.
#pragma once
#include <cstddef>
#include <vector>

// One corner of a quad, texture coordinate then position. Interleaved: the
// browser's emulation uploads an interleaved array as one block and any other
// layout value by value. Floats: every coordinate drawn (sixteenths of an
// atlas, 512ths of the sprite atlas, quarter cells a few hundred cells at
// most from the origin) is exact in a float, and the drivers take doubles
// down to floats anyway, so the pixels are those of the double-precision calls.
struct QuadCorner {
    float s, t, x, y;
};

class QuadArray {
public:
    void clear() { corners_.clear(); }
    // Appends the quad showing texture rectangle (s0, t0)-(s1, t1) on
    // (x0, y0)-(x1, y1), corners in this order: (s0, t0) at (x0, y0), (s1, t0)
    // at (x1, y0), (s1, t1) at (x1, y1), (s0, t1) at (x0, y1).
    void add(double s0, double t0, double s1, double t1, double x0, double y0, double x1, double y1);
    size_t quads() const { return corners_.size() / 4; }
    // Draws `runs` runs of `count` quads, the first from quad `first`, each
    // next one `stride` quads on (runs cut to the quads there are), in order,
    // with the bound texture and the current colour, blending and matrices.
    // The vertex and texture-coordinate arrays are enabled for the draws only:
    // every caller finds them off and leaves them off.
    void draw(size_t first, size_t count, size_t runs = 1, size_t stride = 0) const;
    void draw() const { draw(0, quads()); }

private:
    std::vector<QuadCorner> corners_;
};

#include "map/paint_tools.h"

#include <cstdlib>

int32_t symmetryImages(Symmetry symmetry, LatticePoint p, int32_t w, int32_t h, LatticePoint out[3]) {
    const int32_t mx = w - 1 - p.x, my = h - 1 - p.y;
    // On an axis an image falls on the point itself or on another image:
    // painting it twice would repair around it twice. Mirrored x equals x
    // only on the vertical axis, and likewise for y, so the repeats follow
    // from those two tests.
    const bool onX = mx == p.x, onY = my == p.y;
    int32_t count = 0;
    switch (symmetry) {
    case Symmetry::mirrorLeftRight:
        if (!onX) out[count++] = {mx, p.y};
        break;
    case Symmetry::mirrorTopBottom:
        if (!onY) out[count++] = {p.x, my};
        break;
    case Symmetry::mirrorFourWays:
        // The half turn repeats the left-right image on the horizontal axis,
        // the top-bottom one on the vertical axis, and the point on both.
        if (!onX) out[count++] = {mx, p.y};
        if (!onY) out[count++] = {p.x, my};
        if (!onX && !onY) out[count++] = {mx, my};
        break;
    case Symmetry::halfTurn:
        if (!(onX && onY)) out[count++] = {mx, my};
        break;
    case Symmetry::off: break;
    }
    return count;
}

namespace {

// round(num / n) for n > 0, halves away from zero, in exact integers.
int32_t roundedQuotient(int64_t num, int64_t n) {
    const int64_t q = (2 * std::llabs(num) + n) / (2 * n);
    return static_cast<int32_t>(num < 0 ? -q : q);
}

}  // namespace

void linePoints(LatticePoint a, LatticePoint b, std::vector<LatticePoint>& out) {
    out.clear();
    const int64_t dx = int64_t{b.x} - a.x, dy = int64_t{b.y} - a.y;
    const int64_t n = std::llabs(dx) > std::llabs(dy) ? std::llabs(dx) : std::llabs(dy);
    if (n == 0) {
        out.push_back(a);
        return;
    }
    for (int64_t t = 0; t <= n; ++t)
        out.push_back({static_cast<int32_t>(a.x + roundedQuotient(t * dx, n)),
                       static_cast<int32_t>(a.y + roundedQuotient(t * dy, n))});
}

void appendBrushSquare(LatticePoint p, int32_t size, int32_t w, int32_t h, std::vector<LatticePoint>& out) {
    // In 64 bits and clipped first: the brush may be far larger than the lattice.
    const int64_t x0 = p.x < 0 ? 0 : p.x, y0 = p.y < 0 ? 0 : p.y;
    const int64_t x1 = int64_t{p.x} + size < w ? int64_t{p.x} + size : w;
    const int64_t y1 = int64_t{p.y} + size < h ? int64_t{p.y} + size : h;
    for (int64_t x = x0; x < x1; ++x)
        for (int64_t y = y0; y < y1; ++y) out.push_back({static_cast<int32_t>(x), static_cast<int32_t>(y)});
}

void lineBrushPoints(LatticePoint a, LatticePoint b, int32_t size, int32_t w, int32_t h,
                     std::vector<LatticePoint>& out) {
    static thread_local std::vector<LatticePoint> centres;
    linePoints(a, b, centres);
    out.clear();
    for (const LatticePoint& c : centres) appendBrushSquare(c, size, w, h, out);
}

void rectanglePoints(LatticePoint a, LatticePoint b, std::vector<LatticePoint>& out) {
    out.clear();
    const int32_t x0 = a.x < b.x ? a.x : b.x, x1 = a.x < b.x ? b.x : a.x;
    const int32_t y0 = a.y < b.y ? a.y : b.y, y1 = a.y < b.y ? b.y : a.y;
    out.reserve(static_cast<size_t>(x1 - x0 + 1) * static_cast<size_t>(y1 - y0 + 1));
    for (int32_t x = x0; x <= x1; ++x)
        for (int32_t y = y0; y <= y1; ++y) out.push_back({x, y});
}

void bucketPoints(const GroundMap& map, LatticePoint a, int32_t kind, std::vector<LatticePoint>& out) {
    out.clear();
    const int32_t w = map.latticeStride(), h = map.latticeRows();
    if (!map.insideLattice(a)) return;
    const uint8_t target = map.cornerAt(a.x, a.y);
    if (target == kind) return;
    // Marked in a lattice-sized byte map, then read back row by row: the
    // painting order is the rows', not the search's.
    static thread_local std::vector<uint8_t> inRegion;
    static thread_local std::vector<int32_t> stack;
    inRegion.assign(static_cast<size_t>(w) * h, 0);
    stack.clear();
    auto visit = [&](int32_t x, int32_t y) {
        const size_t at = static_cast<size_t>(y) * w + x;
        if (inRegion[at] || map.corners[at] != target) return;
        inRegion[at] = 1;
        stack.push_back(static_cast<int32_t>(at));
    };
    visit(a.x, a.y);
    while (!stack.empty()) {
        const int32_t at = stack.back();
        stack.pop_back();
        const int32_t x = at % w, y = at / w;
        if (x > 0) visit(x - 1, y);
        if (x + 1 < w) visit(x + 1, y);
        if (y > 0) visit(x, y - 1);
        if (y + 1 < h) visit(x, y + 1);
    }
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (inRegion[static_cast<size_t>(y) * w + x]) out.push_back({x, y});
}

void withSymmetryImages(const std::vector<LatticePoint>& points, Symmetry symmetry, int32_t w, int32_t h,
                        std::vector<LatticePoint>& out) {
    out.clear();
    LatticePoint images[3];
    for (const LatticePoint& p : points) {
        out.push_back(p);
        const int32_t n = symmetryImages(symmetry, p, w, h, images);
        out.insert(out.end(), images, images + n);
    }
}

namespace {

// Up to this many points, one paintCorner each costs less than a batch,
// whose set-up and final selection look at the whole map (measured).
constexpr size_t kBatchFrom = 48;

void paintList(GroundMap& map, const std::vector<LatticePoint>& points, int32_t kind) {
    if (points.size() < kBatchFrom) {
        for (const LatticePoint& p : points) map.paintCorner(p.x, p.y, kind);
        return;
    }
    map.paintCorners(points.data(), static_cast<int32_t>(points.size()), kind);
}

}  // namespace

void paintPoints(GroundMap& map, const std::vector<LatticePoint>& points, int32_t kind, Symmetry symmetry) {
    if (symmetry == Symmetry::off) return paintList(map, points, kind);
    const int32_t w = map.latticeStride(), h = map.latticeRows();
    if (4 * points.size() < kBatchFrom) {  // a brush step: no list of images needed
        LatticePoint images[3];
        for (const LatticePoint& p : points) {
            map.paintCorner(p.x, p.y, kind);
            const int32_t n = symmetryImages(symmetry, p, w, h, images);
            for (int32_t i = 0; i < n; ++i) map.paintCorner(images[i].x, images[i].y, kind);
        }
        return;
    }
    static thread_local std::vector<LatticePoint> all;
    withSymmetryImages(points, symmetry, w, h, all);
    paintList(map, all, kind);
}

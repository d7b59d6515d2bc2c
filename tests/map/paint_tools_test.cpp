// The painting tools: the line's points, the symmetry images and the
// bucket's region as tables, and every tool with every symmetry against the
// plain reference painting the same points one paintCorner at a time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "busy_map.h"
#include "map/ground_map.h"
#include "map/paint_tools.h"
#include "reference/ground_map_reference.h"

namespace {

using reference::RefGroundMap;

std::string listed(const std::vector<LatticePoint>& points) {
    std::string s;
    for (const LatticePoint& p : points) s += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
    return s;
}

constexpr Symmetry kSymmetries[] = {Symmetry::off, Symmetry::mirrorLeftRight, Symmetry::mirrorTopBottom,
                                    Symmetry::mirrorFourWays, Symmetry::halfTurn};

// The images written out plainly, as the user reads the rule: the candidate
// images in order, each left out when it repeats the point or an earlier one.
std::vector<LatticePoint> plainImages(Symmetry s, LatticePoint p) {
    std::vector<LatticePoint> c;
    if (s == Symmetry::mirrorLeftRight || s == Symmetry::mirrorFourWays) c.push_back({128 - p.x, p.y});
    if (s == Symmetry::mirrorTopBottom || s == Symmetry::mirrorFourWays) c.push_back({p.x, 128 - p.y});
    if (s == Symmetry::halfTurn || s == Symmetry::mirrorFourWays) c.push_back({128 - p.x, 128 - p.y});
    std::vector<LatticePoint> out;
    for (const LatticePoint& q : c) {
        bool seen = q.x == p.x && q.y == p.y;
        for (const LatticePoint& o : out) seen = seen || (o.x == q.x && o.y == q.y);
        if (!seen) out.push_back(q);
    }
    return out;
}

}  // namespace

TEST(PaintTools, LinePointsInEveryDirectionAndHalf) {
    struct Case { LatticePoint a, b; const char* expected; };
    const Case cases[] = {
        {{5, 5}, {5, 5}, "(5,5)"},
        {{0, 0}, {3, 0}, "(0,0)(1,0)(2,0)(3,0)"},
        {{3, 0}, {0, 0}, "(3,0)(2,0)(1,0)(0,0)"},
        {{0, 0}, {0, -2}, "(0,0)(0,-1)(0,-2)"},
        {{0, 0}, {2, 2}, "(0,0)(1,1)(2,2)"},
        {{0, 0}, {-2, 2}, "(0,0)(-1,1)(-2,2)"},
        // Halves go away from zero, in either direction.
        {{0, 0}, {4, 2}, "(0,0)(1,1)(2,1)(3,2)(4,2)"},
        {{0, 0}, {-4, -2}, "(0,0)(-1,-1)(-2,-1)(-3,-2)(-4,-2)"},
        {{0, 0}, {2, -4}, "(0,0)(1,-1)(1,-2)(2,-3)(2,-4)"},
        {{10, 10}, {8, 11}, "(10,10)(9,11)(8,11)"},
        {{0, 0}, {3, 1}, "(0,0)(1,0)(2,1)(3,1)"},
    };
    std::vector<LatticePoint> got;
    for (const Case& c : cases) {
        linePoints(c.a, c.b, got);
        EXPECT_EQ(listed(got), c.expected) << "line (" << c.a.x << "," << c.a.y << ") to (" << c.b.x << "," << c.b.y << ")";
    }
}

TEST(PaintTools, SymmetryImagesOnAxesAndCorners) {
    struct Case { Symmetry s; LatticePoint p; const char* expected; };
    const Case cases[] = {
        {Symmetry::off, {3, 4}, ""},
        {Symmetry::mirrorLeftRight, {3, 4}, "(125,4)"},
        {Symmetry::mirrorLeftRight, {64, 4}, ""},
        {Symmetry::mirrorTopBottom, {3, 4}, "(3,124)"},
        {Symmetry::mirrorTopBottom, {3, 64}, ""},
        {Symmetry::mirrorFourWays, {3, 4}, "(125,4)(3,124)(125,124)"},
        {Symmetry::mirrorFourWays, {64, 4}, "(64,124)"},
        {Symmetry::mirrorFourWays, {3, 64}, "(125,64)"},
        {Symmetry::mirrorFourWays, {64, 64}, ""},
        {Symmetry::mirrorFourWays, {0, 128}, "(128,128)(0,0)(128,0)"},
        {Symmetry::halfTurn, {0, 0}, "(128,128)"},
        {Symmetry::halfTurn, {64, 64}, ""},
        {Symmetry::halfTurn, {64, 0}, "(64,128)"},
    };
    for (const Case& c : cases) {
        LatticePoint out[3];
        const int32_t n = symmetryImages(c.s, c.p, 129, 129, out);
        EXPECT_EQ(listed(std::vector<LatticePoint>(out, out + n)), c.expected)
            << "mode " << static_cast<int>(c.s) << " at (" << c.p.x << "," << c.p.y << ")";
    }
}

// A checkerboard of two kinds has no 4-connected neighbours of one kind, so
// each region is its own point; a bar of one kind through it joins up.
TEST(PaintTools, BucketRegionIsFourConnected) {
    GroundMap map(64, 64);
    for (int y = 0; y < 129; ++y)
        for (int x = 0; x < 129; ++x) map.cornerAt(x, y) = static_cast<uint8_t>((x + y) % 2);
    std::vector<LatticePoint> got;
    bucketPoints(map, {4, 6}, 2, got);
    EXPECT_EQ(listed(got), "(4,6)");
    bucketPoints(map, {4, 6}, 0, got);  // already the current kind
    EXPECT_EQ(listed(got), "");
    bucketPoints(map, {-1, 6}, 2, got);
    EXPECT_EQ(listed(got), "");
    for (int x = 3; x <= 6; ++x) map.cornerAt(x, 7) = 0;  // (4,6) meets (4,7); (3,7)..(6,7) join below
    bucketPoints(map, {4, 6}, 2, got);
    EXPECT_EQ(listed(got), "(4,6)(6,6)(3,7)(4,7)(5,7)(6,7)(7,7)(4,8)(6,8)");
}

// Each tool's points, with each symmetry, on a cleared and a busy map: the
// production paint against the reference painting point, then its images,
// one paintCorner at a time, the reference's order taken from the plain rules.
TEST(PaintTools, EveryToolAndSymmetryMatchesOnePointAtATime) {
    GroundMap busy(64, 64);
    makeBusyMap(busy);
    RefGroundMap busyRef;
    makeBusyMapOf(busyRef);
    struct Case { const char* tool; LatticePoint a, b; int32_t size; int32_t kind; };
    const Case cases[] = {
        {"line", {0, 0}, {128, 37}, 3, 3},      {"line", {128, 128}, {64, 0}, 2, 4},
        {"line", {127, 3}, {127, 3}, 5, 2},     {"line", {60, 70}, {5, 120}, 1, 1},
        {"rectangle", {0, 98}, {128, 128}, 1, 3}, {"rectangle", {128, 10}, {100, 0}, 9, 4},
        {"rectangle", {64, 60}, {64, 70}, 1, 2}, {"bucket", {64, 64}, {}, 1, 3},
        {"bucket", {0, 128}, {}, 1, 3},         {"bucket", {31, 97}, {}, 1, 0},
        {"brush", {126, 0}, {}, 4, 3},          {"brush", {0, 62}, {}, 3, 1},
    };
    std::vector<LatticePoint> points;
    for (bool busyStart : {false, true}) {
        for (const Case& c : cases) {
            for (Symmetry s : kSymmetries) {
                // A bucket takes most of the lattice, slow on the reference:
                // the single mirrors show nothing four ways does not.
                if (std::string(c.tool) == "bucket" && (s == Symmetry::mirrorLeftRight || s == Symmetry::mirrorTopBottom ||
                                                        (!busyStart && s != Symmetry::halfTurn)))
                    continue;
                GroundMap map(64, 64);
                RefGroundMap ref;
                if (busyStart) {
                    map.copyFrom(busy);
                    ref = busyRef;
                }
                const std::string tool = c.tool;
                if (tool == "line") lineBrushPoints(c.a, c.b, c.size, 129, 129, points);
                if (tool == "rectangle") rectanglePoints(c.a, c.b, points);
                if (tool == "bucket") bucketPoints(map, c.a, c.kind, points);
                if (tool == "brush") {
                    points.clear();
                    appendBrushSquare(c.a, c.size, 129, 129, points);
                }
                paintPoints(map, points, c.kind, s);

                // The plain order of the same tool.
                std::vector<LatticePoint> plain;
                auto square = [&](int32_t x0, int32_t y0, int32_t size) {
                    for (int32_t x = x0; x < x0 + size; ++x)
                        for (int32_t y = y0; y < y0 + size; ++y)
                            if (x <= 128 && y <= 128) plain.push_back({x, y});
                };
                if (tool == "line") {
                    const int32_t dx = c.b.x - c.a.x, dy = c.b.y - c.a.y;
                    const int32_t n = std::max(std::abs(dx), std::abs(dy));
                    for (int32_t t = 0; t <= n; ++t)
                        square(c.a.x + (n ? static_cast<int32_t>(std::round(double(t) * dx / n)) : 0),
                               c.a.y + (n ? static_cast<int32_t>(std::round(double(t) * dy / n)) : 0), c.size);
                }
                if (tool == "rectangle")
                    for (int32_t x = std::min(c.a.x, c.b.x); x <= std::max(c.a.x, c.b.x); ++x)
                        for (int32_t y = std::min(c.a.y, c.b.y); y <= std::max(c.a.y, c.b.y); ++y) plain.push_back({x, y});
                if (tool == "brush") square(c.a.x, c.a.y, c.size);
                if (tool == "bucket") plain = points;  // its region is checked on its own above
                for (const LatticePoint& p : plain) {
                    ref.paintCorner(p.x, p.y, c.kind);
                    for (const LatticePoint& q : plainImages(s, p)) ref.paintCorner(q.x, q.y, c.kind);
                }
                EXPECT_TRUE(std::memcmp(map.corners, ref.corners.data(), ref.corners.size()) == 0 &&
                            std::memcmp(map.tiles, ref.tiles.data(), ref.tiles.size()) == 0)
                    << c.tool << " from (" << c.a.x << "," << c.a.y << ") to (" << c.b.x << "," << c.b.y << "), kind "
                    << c.kind << ", symmetry " << static_cast<int>(s) << ", " << (busyStart ? "busy" : "cleared")
                    << " map: differs from the reference";
            }
        }
    }
}

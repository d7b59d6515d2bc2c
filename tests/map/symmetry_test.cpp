// The symmetry check, the mend and the scatter stroke against the plain
// reference: counts and points on symmetric and asymmetric maps, the mend
// from every part of every mode, and scatter strokes given the same points
// and seed.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "busy_map.h"
#include "map/ground_map.h"
#include "map/paint_tools.h"
#include "map/scatter.h"
#include "map/symmetry_check.h"
#include "reference/symmetry_reference.h"
#include "shell/view_steps.h"

namespace {

using reference::RefGroundMap;

constexpr Symmetry kModes[] = {Symmetry::mirrorLeftRight, Symmetry::mirrorTopBottom, Symmetry::mirrorFourWays,
                               Symmetry::halfTurn};
constexpr Symmetry kAll[] = {Symmetry::off, Symmetry::mirrorLeftRight, Symmetry::mirrorTopBottom,
                             Symmetry::mirrorFourWays, Symmetry::halfTurn};

// The busy map painted with symmetry on: each of its paints followed by its
// images, as a brush of size 1 paints them.
void paintBusyWith(GroundMap& map, Symmetry s) {
    std::vector<LatticePoint> one(1);
    makeBusyMapWith(map, [&](int32_t px, int32_t py, int32_t kind) {
        one[0] = {px, py};
        paintPoints(map, one, kind, s);
    });
}

RefGroundMap refOf(const GroundMap& m) {
    RefGroundMap r(m.width, m.height);
    std::memcpy(r.corners.data(), m.corners, r.corners.size());
    std::memcpy(r.tiles.data(), m.tiles, r.tiles.size());
    return r;
}

bool sameGrids(const GroundMap& m, const RefGroundMap& r) {
    return std::memcmp(m.corners, r.corners.data(), r.corners.size()) == 0 &&
           std::memcmp(m.tiles, r.tiles.data(), r.tiles.size()) == 0;
}

std::string modeName(Symmetry s) { return std::to_string(static_cast<int>(s)); }

// Starting maps: cleared, busy, busy painted with each mode, and a lattice
// of random kinds written straight in (its tiles all the plain one, so no
// tile is the selection of its points).
struct Start {
    std::string name;
    GroundMap* map;
};
std::vector<Start> startMaps() {
    static std::vector<std::unique_ptr<GroundMap>> maps;
    static std::vector<Start> starts;
    if (!starts.empty()) return starts;
    initPatternTable();
    auto add = [&](const std::string& name) {
        maps.push_back(std::make_unique<GroundMap>(64, 64));
        starts.push_back({name, maps.back().get()});
        return maps.back().get();
    };
    add("cleared");
    makeBusyMap(*add("busy"));
    for (Symmetry s : kModes) paintBusyWith(*add("busy painted with mode " + modeName(s)), s);
    GroundMap* random = add("random lattice");
    BusyMapRandom rng;
    for (int i = 0; i < 129 * 129; ++i) random->corners[i] = static_cast<uint8_t>(rng.next() % 5);
    return starts;
}

}  // namespace

TEST(SymmetryCheck, UnlikeCountsAndPointsMatchThePlainComparison) {
    std::vector<LatticePoint> found;
    for (const Start& start : startMaps())
        for (Symmetry s : kAll) {
            const GroundMap& map = *start.map;
            const std::vector<LatticePoint> plain = reference::plainUnlikePoints(map.corners, 129, 129, s);
            EXPECT_EQ(countUnlikeImage(map, s), static_cast<int32_t>(plain.size())) << start.name << ", mode " << modeName(s);
            EXPECT_EQ(findUnlikeImage(map, s, found), static_cast<int32_t>(plain.size()));
            bool same = found.size() == plain.size();
            for (size_t i = 0; same && i < found.size(); ++i) same = found[i].x == plain[i].x && found[i].y == plain[i].y;
            EXPECT_TRUE(same) << start.name << ", mode " << modeName(s) << ": the points or their order differ";
        }
}

TEST(SymmetryCheck, EachModeAndItsParts) {
    struct Case { Symmetry s; LatticePoint p; int32_t part; const char* name; };
    const Case cases[] = {
        {Symmetry::mirrorLeftRight, {63, 0}, 0, "left"},      {Symmetry::mirrorLeftRight, {65, 128}, 1, "right"},
        {Symmetry::mirrorLeftRight, {64, 7}, -1, nullptr},    {Symmetry::mirrorTopBottom, {128, 63}, 0, "top"},
        {Symmetry::mirrorTopBottom, {0, 65}, 1, "bottom"},    {Symmetry::mirrorTopBottom, {3, 64}, -1, nullptr},
        {Symmetry::mirrorFourWays, {0, 0}, 0, "top-left"},    {Symmetry::mirrorFourWays, {128, 63}, 1, "top-right"},
        {Symmetry::mirrorFourWays, {63, 65}, 2, "bottom-left"}, {Symmetry::mirrorFourWays, {65, 128}, 3, "bottom-right"},
        {Symmetry::mirrorFourWays, {64, 3}, -1, nullptr},     {Symmetry::mirrorFourWays, {3, 64}, -1, nullptr},
        {Symmetry::halfTurn, {0, 128}, 0, "left"},            {Symmetry::halfTurn, {128, 0}, 1, "right"},
        {Symmetry::halfTurn, {64, 0}, -1, nullptr},           {Symmetry::off, {3, 3}, -1, nullptr},
        {Symmetry::mirrorLeftRight, {-1, 3}, -1, nullptr},    {Symmetry::mirrorLeftRight, {129, 3}, -1, nullptr},
    };
    for (const Case& c : cases) {
        const int32_t part = symmetryPartOf(c.s, c.p, 129, 129);
        EXPECT_EQ(part, c.part) << "mode " << modeName(c.s) << " at " << c.p.x << "," << c.p.y;
        if (part >= 0) {
            EXPECT_STREQ(symmetryPartName(c.s, part), c.name);
        }
    }
}

// From a point of every part of every mode (next to the axes and at the
// corners), on every starting map: exactly the reference's lattice and
// tiles, nothing unlike its image afterwards, and a second mend changes
// nothing. On an axis, outside the lattice or with symmetry off: nothing.
TEST(SymmetryCheck, MendFromEveryPartGivesTheDefinitionsLattice) {
    const LatticePoint cursors[] = {{63, 63}, {65, 63}, {63, 65}, {65, 65}, {0, 128}, {128, 0}, {10, 120}};
    const LatticePoint nowhere[] = {{64, 64}, {-1, 5}, {5, 129}};
    GroundMap map(64, 64);
    for (const Start& start : startMaps())
        for (Symmetry s : kAll)
            for (const LatticePoint* set : {cursors, nowhere}) {
                const size_t n = set == cursors ? std::size(cursors) : std::size(nowhere);
                for (size_t i = 0; i < n; ++i) {
                    const LatticePoint c = set[i];
                    map.copyFrom(*start.map);
                    RefGroundMap ref = refOf(map);
                    const std::string what = start.name + ", mode " + modeName(s) + ", from " + std::to_string(c.x) +
                                             "," + std::to_string(c.y);
                    const bool changed = mendSymmetry(map, s, c);
                    EXPECT_EQ(changed, reference::plainMend(ref, s, c)) << what;
                    EXPECT_TRUE(sameGrids(map, ref)) << what << ": differs from the reference";
                    if (s == Symmetry::off || set == nowhere) {
                        EXPECT_FALSE(changed) << what;
                        continue;
                    }
                    EXPECT_EQ(countUnlikeImage(map, s), 0) << what;
                    if (s == Symmetry::mirrorFourWays) {
                        for (Symmetry other : kModes) EXPECT_EQ(countUnlikeImage(map, other), 0) << what;
                    }
                    EXPECT_FALSE(mendSymmetry(map, s, c)) << what << ": a second mend changed a byte";
                    // Painting goes on from the mended grids as from any others.
                    map.paintCorner(c.x, c.y, 3);
                    ref.paintCorner(c.x, c.y, 3);
                    EXPECT_TRUE(sameGrids(map, ref)) << what << ": a paint after the mend differs";
                }
            }
    // Also off an axis in one mode, on an axis of another: (64, 3) is the
    // left-right axis, but in the top half for top-bottom.
    map.copyFrom(*startMaps()[1].map);
    EXPECT_FALSE(mendSymmetry(map, Symmetry::mirrorLeftRight, {64, 3}));
    EXPECT_FALSE(mendSymmetry(map, Symmetry::halfTurn, {64, 3}));
    EXPECT_TRUE(mendSymmetry(map, Symmetry::mirrorTopBottom, {64, 3}));
}

// Strokes of a few moves from presses at the lattice's corners, beside its
// edges and outside it, with each density and symmetry, on a cleared and a
// busy map: the production step against the reference given the points the
// brush walk visits (the shell's own walk) and the seed written out here.
TEST(Scatter, StrokesMatchThePlainReferenceGivenTheSamePointsAndSeed) {
    struct Stroke {
        LatticePos press;
        uint32_t seed;  // py * 129 + px of the press point, 0 outside
        double dx, dy;  // each move's step
        int32_t size;
    };
    const Stroke strokes[] = {
        {{0.2, 0.7}, 0, 1.5, 0.5, 8},           {{128.9, 128.1}, 128 * 129 + 128, -2.0, -0.25, 8},
        {{0.0, 128.5}, 128 * 129, 3.0, -1.0, 3}, {{128.0, 0.0}, 128, -0.5, 2.0, 8},
        {{-0.5, 60.2}, 60 * 129, 0.0, 1.0, 4},  {{-3.0, 40.0}, 0, 1.25, 0.0, 8},
        {{200.0, -7.0}, 0, -20.0, 2.0, 8},      {{37.6, 91.3}, 91 * 129 + 37, 0.7, -0.9, 1},
    };
    for (const Start& start : startMaps()) {
        if (start.name != "cleared" && start.name != "busy") continue;
        for (int32_t density : {10, 25, 50})
            for (Symmetry s : kAll)
                for (const Stroke& k : strokes) {
                    GroundMap map(64, 64);
                    map.copyFrom(*start.map);
                    RefGroundMap ref = refOf(map);
                    const int32_t kind = density == 10 ? 4 : density == 25 ? 3 : 1;
                    const LatticePoint at{static_cast<int32_t>(k.press.x), static_cast<int32_t>(k.press.y)};
                    const bool inside = k.press.x > -1 && k.press.y > -1 && k.press.x < 129 && k.press.y < 129;
                    const uint32_t seed = scatterSeed(map, inside ? at : LatticePoint{-1, -1});
                    EXPECT_EQ(seed, k.seed) << "press " << k.press.x << "," << k.press.y;
                    LcgRandom random;
                    random.seed(seed);
                    uint32_t state = k.seed;
                    for (int move = 0; move < 6; ++move) {
                        const LatticePos pos{k.press.x + move * k.dx, k.press.y + move * k.dy};
                        scatterStep(map, random, pos, k.size, density, kind, s);
                        // The brush walks only with its top-left on the lattice;
                        // elsewhere a step paints nothing and draws nothing.
                        if (!(pos.x > -1 && pos.y > -1 && pos.x < 129 && pos.y < 129)) continue;
                        std::vector<LatticePoint> walked;
                        forEachBrushPoint(pos.x, pos.y, k.size, 128, 128,
                                          [&](int32_t px, int32_t py) { walked.push_back({px, py}); });
                        reference::plainScatter(ref, state, walked, density, kind, s);
                    }
                    EXPECT_EQ(random.state, state) << "one draw per point walked";
                    EXPECT_TRUE(sameGrids(map, ref))
                        << start.name << ", density " << density << ", mode " << modeName(s) << ", press "
                        << k.press.x << "," << k.press.y << ": differs from the reference";
                }
    }
}

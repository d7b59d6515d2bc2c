// The production map against the plain reference on long random sequences of
// paints and decodes: both grids must match after every single operation.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "busy_map.h"
#include "map/ground_map.h"
#include "reference/ground_map_reference.h"

namespace {

using reference::RefGroundMap;

// A tiny LCG of the test's own (the program's formula, fixed seeds).
struct Lcg {
    uint32_t s;
    int next(int n) {
        s = s * 214013u + 2531011u;
        return static_cast<int>((s >> 16) & 0x7FFF) % n;
    }
};

// Empty when the maps agree; otherwise the first differing tile or point.
std::string difference(const GroundMap& m, const RefGroundMap& r) {
    if (std::memcmp(m.tiles, r.tiles.data(), 4096) == 0 && std::memcmp(m.corners, r.corners.data(), 16641) == 0)
        return {};
    std::ostringstream out;
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 64; ++y)
            if (m.tiles[x * 64 + y] != r.tiles[x * 64 + y]) {
                out << "tile of cell (" << x << ", " << y << "): expected " << int(r.tiles[x * 64 + y]) << ", got "
                    << int(m.tiles[x * 64 + y]);
                return out.str();
            }
    for (int i = 0; i < 16641; ++i)
        if (m.corners[i] != r.corners[i]) {
            out << "point (" << i % 129 << ", " << i / 129 << "): expected " << int(r.corners[i]) << ", got "
                << int(m.corners[i]);
            return out.str();
        }
    return {};
}

// A lattice coordinate: one in eight on the outermost two rows of either side.
int pickCoord(Lcg& rng) {
    if (rng.next(8) == 0) {
        static const int kEdge[4] = {0, 1, 127, 128};
        return kEdge[rng.next(4)];
    }
    return rng.next(129);
}

// Paints in clusters, so that repairs of neighbouring paints overlap, with
// kinds weighted towards the costly kinds 3 and 4.
void paintSequence(GroundMap& m, RefGroundMap& r, uint32_t seed, int paints) {
    Lcg rng{seed};
    int cx = 0, cy = 0;
    for (int i = 0; i < paints; ++i) {
        if (i % 40 == 0) {
            cx = pickCoord(rng);
            cy = pickCoord(rng);
        }
        int px = cx + rng.next(9) - 4, py = cy + rng.next(9) - 4;
        if (rng.next(4) == 0) {
            px = pickCoord(rng);
            py = pickCoord(rng);
        }
        px = px < 0 ? 0 : px > 128 ? 128 : px;
        py = py < 0 ? 0 : py > 128 ? 128 : py;
        static const int kKinds[8] = {0, 1, 2, 3, 4, 3, 4, 2};
        int kind = kKinds[rng.next(8)];
        m.paintCorner(px, py, kind);
        r.paintCorner(px, py, kind);
        std::string d = difference(m, r);
        ASSERT_TRUE(d.empty()) << "seed " << seed << ", paint " << i << " of kind " << kind << " at (" << px << ", "
                               << py << "): " << d;
    }
}

// Loads random tile bytes the way the map loader does: clear, then for each
// row from the top and each cell from the left, store the tile and decode it.
void loadRandomTiles(GroundMap& m, RefGroundMap& r, uint32_t seed, bool familyTilesOnly) {
    Lcg rng{seed};
    m.clear();
    r.clear();
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            int t = rng.next(256);
            if (familyTilesOnly) {
                // Mostly tiles that decode to a shape, so that neighbours interact.
                static const int kRanges[][2] = {{60, 71}, {80, 102}, {128, 143}, {144, 159}, {176, 207}};
                const auto& range = kRanges[rng.next(5)];
                t = range[0] + rng.next(range[1] - range[0] + 1);
            }
            m.tileAt(x, y) = static_cast<uint8_t>(t);
            m.decodeTile(x, y);
            r.tile(x, y) = static_cast<uint8_t>(t);
            r.decodeTile(x, y);
            std::string d = difference(m, r);
            ASSERT_TRUE(d.empty()) << "seed " << seed << ", decoding tile " << t << " at (" << x << ", " << y << "): " << d;
        }
}

class DifferentialTest : public ::testing::Test {
protected:
    void SetUp() override { initPatternTable(); }
};

TEST_F(DifferentialTest, PaintsOnClearedMaps) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        GroundMap m(64, 64);
        RefGroundMap r;
        paintSequence(m, r, seed, 1500);
        if (HasFatalFailure()) return;
    }
}

TEST_F(DifferentialTest, PaintsOnLoadedRandomTiles) {
    for (uint32_t seed : {11u, 12u}) {
        GroundMap m(64, 64);
        RefGroundMap r;
        loadRandomTiles(m, r, seed, false);
        if (HasFatalFailure()) return;
        paintSequence(m, r, seed * 7, 1000);
        if (HasFatalFailure()) return;
    }
}

TEST_F(DifferentialTest, PaintsOnLoadedShapeTiles) {
    for (uint32_t seed : {21u, 22u}) {
        GroundMap m(64, 64);
        RefGroundMap r;
        loadRandomTiles(m, r, seed, true);
        if (HasFatalFailure()) return;
        paintSequence(m, r, seed * 5, 1000);
        if (HasFatalFailure()) return;
    }
}

// The brush's sweep over every lattice point, one kind at a time, on a busy map.
TEST_F(DifferentialTest, WholeLatticeSweeps) {
    GroundMap m(64, 64);
    RefGroundMap r;
    makeBusyMap(m);
    makeBusyMapOf(r);
    ASSERT_EQ(difference(m, r), "") << "busy maps differ";
    for (int kind : {3, 4, 1}) {
        for (int px = 0; px <= 128; ++px)
            for (int py = 0; py <= 128; ++py) {
                m.paintCorner(px, py, kind);
                r.paintCorner(px, py, kind);
            }
        ASSERT_EQ(difference(m, r), "") << "after the sweep of kind " << kind;
    }
}

// Every cell on its own: all combinations of one kind's mask, for each kind.
TEST_F(DifferentialTest, EdgeCodesOfEveryMask) {
    GroundMap m(1, 1);
    RefGroundMap r(1, 1);
    for (int kind = 1; kind <= 4; ++kind)
        for (int other = 0; other <= 4; ++other)
            for (int mask = 0; mask < 512; ++mask) {
                for (int b = 0; b < 9; ++b) {
                    uint8_t v = static_cast<uint8_t>((mask >> b & 1) ? kind : other);
                    m.cornerAt(b % 3, b / 3) = v;
                    r.corner(b % 3, b / 3) = v;
                }
                ASSERT_EQ(m.edgeCode(0, 0, kind), r.edgeCode(0, 0, kind))
                    << "kind " << kind << " on " << other << ", mask " << mask;
                m.selectTile(0, 0);
                r.selectTile(0, 0);
                ASSERT_EQ(m.tileAt(0, 0), r.tile(0, 0)) << "kind " << kind << " on " << other << ", mask " << mask;
            }
}

// repairCell and selectTile called on their own agree with the reference too.
TEST_F(DifferentialTest, RepairCellAndSelectTileAlone) {
    GroundMap m(64, 64);
    RefGroundMap r;
    loadRandomTiles(m, r, 31, true);
    Lcg rng{99};
    for (int i = 0; i < 3000; ++i) {
        int x = rng.next(64), y = rng.next(64), kind = rng.next(5);
        if (rng.next(2)) {
            m.repairCell(x, y, kind);
            r.repairCell(x, y, kind);
        } else {
            m.selectTile(x, y);
            r.selectTile(x, y);
        }
        ASSERT_EQ(difference(m, r), "") << "step " << i << " cell (" << x << ", " << y << ") kind " << kind;
    }
}

}  // namespace

// The production map against the plain reference on long random sequences of
// paints and decodes: both grids must match after every single operation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

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

// Empty when the maps agree; otherwise the first differing size, tile or point.
std::string difference(const GroundMap& m, const RefGroundMap& r) {
    std::ostringstream out;
    if (m.width != r.width || m.height != r.height) {
        out << "size " << m.width << " x " << m.height << ", expected " << r.width << " x " << r.height;
        return out.str();
    }
    const size_t tileCount = r.tiles.size(), pointCount = r.corners.size();
    if (std::memcmp(m.tiles, r.tiles.data(), tileCount) == 0 &&
        std::memcmp(m.corners, r.corners.data(), pointCount) == 0)
        return {};
    for (int x = 0; x < m.width; ++x)
        for (int y = 0; y < m.height; ++y)
            if (m.tileAt(x, y) != r.tiles[x * m.height + y]) {
                out << "tile of cell (" << x << ", " << y << "): expected " << int(r.tiles[x * m.height + y])
                    << ", got " << int(m.tileAt(x, y));
                return out.str();
            }
    const int stride = 2 * m.width + 1;
    for (size_t i = 0; i < pointCount; ++i)
        if (m.corners[i] != r.corners[i]) {
            out << "point (" << i % stride << ", " << i / stride << "): expected " << int(r.corners[i]) << ", got "
                << int(m.corners[i]);
            return out.str();
        }
    return {};
}

// A lattice coordinate in 0..last: one in eight on the outermost two lines of either side.
int pickCoord(Lcg& rng, int last) {
    if (rng.next(8) == 0) {
        const int edge[4] = {0, 1, last - 1, last};
        return std::max(0, edge[rng.next(4)]);
    }
    return rng.next(last + 1);
}

// Paints in clusters, so that repairs of neighbouring paints overlap, with
// kinds weighted towards the costly kinds 3 and 4. With `pokes`, every few
// paints also writes a random point or tile straight into both maps, as the
// loader and the height fill do, so that nothing may trust an earlier state.
void paintSequence(GroundMap& m, RefGroundMap& r, uint32_t seed, int paints, bool pokes = false) {
    Lcg rng{seed};
    const int lastX = 2 * m.width, lastY = 2 * m.height;
    int cx = 0, cy = 0;
    for (int i = 0; i < paints; ++i) {
        if (i % 40 == 0) {
            cx = pickCoord(rng, lastX);
            cy = pickCoord(rng, lastY);
        }
        int px = cx + rng.next(9) - 4, py = cy + rng.next(9) - 4;
        if (rng.next(4) == 0) {
            px = pickCoord(rng, lastX);
            py = pickCoord(rng, lastY);
        }
        px = std::clamp(px, 0, lastX);
        py = std::clamp(py, 0, lastY);
        if (pokes && rng.next(3) == 0) {
            // Near the last paints, where a painter might remember something.
            if (rng.next(2)) {
                const uint8_t v = static_cast<uint8_t>(rng.next(5));
                m.cornerAt(px, py) = v;
                r.corner(px, py) = v;
            } else {
                const int x = std::min(px / 2, m.width - 1), y = std::min(py / 2, m.height - 1);
                const uint8_t t = static_cast<uint8_t>(rng.next(256));
                m.tileAt(x, y) = t;
                r.tile(x, y) = t;
            }
            px = std::clamp(px + rng.next(3) - 1, 0, lastX);
            py = std::clamp(py + rng.next(3) - 1, 0, lastY);
        }
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
        paintSequence(m, r, seed * 5, 700);
        if (HasFatalFailure()) return;
    }
}

// The brush's sweep (px outer, py inner) over bands of lattice columns at both
// edges and in the middle, one kind at a time, on a busy map.
TEST_F(DifferentialTest, BrushSweeps) {
    GroundMap m(64, 64);
    RefGroundMap r;
    makeBusyMap(m);
    makeBusyMapOf(r);
    ASSERT_EQ(difference(m, r), "") << "busy maps differ";
    const int bands[][2] = {{0, 5}, {63, 67}, {124, 128}};
    for (int kind : {3, 4, 1}) {
        for (const auto& band : bands)
            for (int px = band[0]; px <= band[1]; ++px)
                for (int py = 0; py <= 128; ++py) {
                    m.paintCorner(px, py, kind);
                    r.paintCorner(px, py, kind);
                }
        ASSERT_EQ(difference(m, r), "") << "after the sweep of kind " << kind;
    }
}

// Points and tiles written straight into the grids between paints.
TEST_F(DifferentialTest, PaintsAmidDirectWrites) {
    for (uint32_t seed : {41u, 42u}) {
        GroundMap m(64, 64);
        RefGroundMap r;
        loadRandomTiles(m, r, seed, true);
        if (HasFatalFailure()) return;
        paintSequence(m, r, seed, 800, true);
        if (HasFatalFailure()) return;
    }
}

// A point or a tile written directly, painted around, then written back and
// painted around again: painting must follow the bytes as they are now, not
// as it last left them.
TEST_F(DifferentialTest, DirectWritesUndoneBetweenPaints) {
    GroundMap m(64, 64);
    RefGroundMap r;
    loadRandomTiles(m, r, 71, true);
    if (HasFatalFailure()) return;
    Lcg rng{72};
    auto write = [&](bool point, int px, int py, uint8_t v) {
        if (point) {
            m.cornerAt(px, py) = v;
            r.corner(px, py) = v;
        } else {
            m.tileAt(px / 2, py / 2) = v;
            r.tile(px / 2, py / 2) = v;
        }
    };
    for (int i = 0; i < 1500; ++i) {
        const int px = 20 + rng.next(20), py = 20 + rng.next(20);
        const bool point = rng.next(2) == 0;
        const uint8_t old = point ? m.cornerAt(px, py) : m.tileAt(px / 2, py / 2);
        write(point, px, py, static_cast<uint8_t>(point ? rng.next(5) : rng.next(256)));
        for (int round = 0; round < 2; ++round) {
            const int qx = px + rng.next(7) - 3, qy = py + rng.next(7) - 3, kind = rng.next(5);
            m.paintCorner(qx, qy, kind);
            r.paintCorner(qx, qy, kind);
            ASSERT_EQ(difference(m, r), "") << "step " << i << ", round " << round;
            if (round == 0) write(point, px, py, old);
        }
    }
}

// Two maps painted in turn, one of them copied from the other now and then,
// as the height fill does with the working and preview maps.
TEST_F(DifferentialTest, TwoMapsInTurn) {
    GroundMap a(64, 64), b(64, 64);
    RefGroundMap ra, rb;
    loadRandomTiles(a, ra, 51, true);
    if (HasFatalFailure()) return;
    Lcg rng{52};
    for (int i = 0; i < 2000; ++i) {
        if (i % 300 == 0) {
            b.copyFrom(a);
            rb = ra;
        }
        const int px = 40 + rng.next(12), py = 40 + rng.next(12), kind = rng.next(5);
        const bool first = rng.next(2) == 0;
        (first ? a : b).paintCorner(px, py, kind);
        (first ? ra : rb).paintCorner(px, py, kind);
        ASSERT_EQ(difference(a, ra), "") << "step " << i;
        ASSERT_EQ(difference(b, rb), "") << "step " << i;
    }
}

// Maps of other sizes: narrow and short ones, and one wider than 64 cells.
TEST_F(DifferentialTest, PaintsOnOtherSizes) {
    const int sizes[][2] = {{1, 1}, {2, 5}, {5, 2}, {7, 64}, {64, 3}, {70, 4}, {3, 70}};
    uint32_t seed = 61;
    for (const auto& size : sizes) {
        GroundMap m(size[0], size[1]);
        RefGroundMap r(size[0], size[1]);
        paintSequence(m, r, seed++, 600, true);
        if (HasFatalFailure()) return;
    }
}

// Batches (the height fill's entry) of clustered points, each checked against
// a paintCorner per point, with single paints and direct writes in between so
// that painting after a batch must trust exactly what the batch left; on the
// standard map and on sizes whose batch record spans more than one word.
TEST_F(DifferentialTest, BatchesAmidPaintsAndDirectWrites) {
    const int sizes[][2] = {{64, 64}, {1, 1}, {5, 2}, {7, 64}, {70, 4}, {3, 70}, {66, 130}};
    uint32_t seed = 81;
    for (const auto& size : sizes) {
        GroundMap m(size[0], size[1]);
        RefGroundMap r(size[0], size[1]);
        Lcg rng{seed++};
        const int lastX = 2 * size[0], lastY = 2 * size[1];
        std::vector<LatticePoint> batch;
        for (int round = 0; round < 12; ++round) {
            batch.clear();
            const int cx = rng.next(lastX + 1), cy = rng.next(lastY + 1), spread = 1 + rng.next(12);
            const int n = rng.next(300);
            for (int i = 0; i < n; ++i)
                batch.push_back({std::clamp(cx + rng.next(2 * spread + 1) - spread, 0, lastX),
                                 std::clamp(cy + rng.next(2 * spread + 1) - spread, 0, lastY)});
            // A point written directly before the batch and written back after it.
            const int qx = std::clamp(cx + rng.next(5) - 2, 0, lastX), qy = std::clamp(cy + rng.next(5) - 2, 0, lastY);
            const uint8_t old = m.cornerAt(qx, qy), poked = static_cast<uint8_t>(rng.next(5));
            m.cornerAt(qx, qy) = poked;
            r.corner(qx, qy) = poked;
            const int kind = rng.next(5);
            m.paintCorners(batch.data(), static_cast<int32_t>(batch.size()), kind);
            for (const LatticePoint& p : batch) r.paintCorner(p.x, p.y, kind);
            ASSERT_EQ(difference(m, r), "") << size[0] << " x " << size[1] << ", batch " << round << " of kind " << kind;
            if (m.cornerAt(qx, qy) == poked) {
                m.cornerAt(qx, qy) = old;
                r.corner(qx, qy) = old;
            }
            for (int i = 0; i < 6; ++i) {
                const int px = std::clamp(qx + rng.next(7) - 3, 0, lastX), py = std::clamp(qy + rng.next(7) - 3, 0, lastY);
                const int k = rng.next(5);
                m.paintCorner(px, py, k);
                r.paintCorner(px, py, k);
                ASSERT_EQ(difference(m, r), "") << size[0] << " x " << size[1] << ", paint " << i << " after batch " << round;
            }
            paintSequence(m, r, seed * 31 + round, 40, true);
            if (HasFatalFailure()) return;
        }
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

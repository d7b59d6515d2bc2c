#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "height/fill_test_util.h"
#include "height/height_fill.h"
#include "reference/height_fill_reference.h"

using namespace filltest;

namespace {

class HeightFillTest : public ::testing::Test {
protected:
    void SetUp() override { resetAll(); }
};

int32_t countKind(const GroundMap& map, int32_t kind) {
    int32_t n = 0;
    for (int32_t i = 0; i < 129 * 129; ++i) n += map.corners[i] == kind;
    return n;
}

// --- The threshold under the cursor ---------------------------------------

// The four candidate terms get heights 0.2, 0.4, 0.6, 0.8 in the order
// (ix, iy), (ix, iy + 1), (ix + 1, iy), (ix + 1, iy + 1); a probe point next
// to the start but outside the terms is put just above and just below the
// expected threshold and must be painted exactly when it passes.
TEST_F(HeightFillTest, ThresholdWeightsUnderTheCursor) {
    struct Term {
        int32_t x, y;
        double weight;
    };
    struct Case {
        const char* name;
        double lx, ly;  // lattice position of the cursor
        std::vector<Term> terms;
        int32_t probeX, probeY;
    };
    const Case cases[] = {
        {"over point (10, 10)", 10.5, 10.5, {{10, 10, 0.25}, {10, 11, 0.75}, {11, 10, 0.75}, {11, 11, 2.25}}, 9, 9},
        {"half a step up-left of (10, 10)", 10, 10, {{10, 10, 1}, {10, 11, 2}, {11, 10, 2}, {11, 11, 4}}, 9, 9},
        {"last column", 128.5, 10.5, {{128, 10, 0.25}, {128, 11, 0.75}}, 127, 9},
        {"last row", 10.5, 128.5, {{10, 128, 0.25}, {11, 128, 0.75}}, 9, 127},
        {"last point", 128.5, 128.5, {{128, 128, 1}}, 127, 127},
        {"left of column 0", -0.5, 10.5, {{0, 10, 0.75}, {0, 11, 2.25}, {1, 10, 1.25}, {1, 11, 3.75}}, 1, 9},
    };
    const double heights[4] = {0.2, 0.4, 0.6, 0.8};
    for (const Case& c : cases) {
        double sum = 0, weights = 0;
        for (size_t i = 0; i < c.terms.size(); ++i) {
            sum += c.terms[i].weight * heights[i];
            weights += c.terms[i].weight;
        }
        const double expected = sum / weights;
        for (bool below : {false, true}) {
            for (double delta : {-1e-9, 1e-9}) {
                resetAll();
                for (size_t i = 0; i < c.terms.size(); ++i) heightField.at(c.terms[i].x, c.terms[i].y) = heights[i];
                heightField.at(c.probeX, c.probeY) = expected + delta;
                editorState.currentKind = TerrainKind::grass;
                editorState.fillBelow = below;
                putMouseAtLattice(c.lx, c.ly);
                previewFill(kClientW, kClientH);
                const bool passes = below ? delta < 0 : delta > 0;
                EXPECT_EQ(previewMap.cornerAt(c.probeX, c.probeY), passes ? 1 : 0)
                    << c.name << ", fill " << (below ? "below" : "above") << ", probe at threshold "
                    << (delta > 0 ? "+" : "-") << "1e-9 (threshold " << expected << ")";
            }
        }
    }
}

// --- The fill itself -------------------------------------------------------

TEST_F(HeightFillTest, NoPassingNeighbourLeavesACopyOfTheWorkingMap) {
    paintRandomPoints(workingMap, 5, 300);
    paintRandomPoints(previewMap, 6, 300);  // stale contents must not survive
    heightField.at(64, 64) = 1.0;
    heightFill(previewMap, workingMap, heightField, 64, 64, 3, 0.5, false);
    EXPECT_EQ(mapDifference(workingMap, previewMap), "");
}

TEST_F(HeightFillTest, PointsEqualToTheThresholdPassBothWays) {
    for (bool below : {false, true}) {
        resetAll();
        heightFill(previewMap, workingMap, heightField, 40, 70, 1, 0.0, below);
        EXPECT_EQ(countKind(previewMap, 1), 129 * 129 - 1) << (below ? "below" : "above");
        EXPECT_EQ(previewMap.cornerAt(40, 70), 0) << "the start point is not painted";
    }
}

TEST_F(HeightFillTest, StartIsNotTestedButItsNeighboursAre) {
    for (int32_t i = 0; i < 129 * 129; ++i) heightField.values[i] = 1.0;
    heightField.at(20, 30) = 0.0;  // the start fails the test itself
    heightFill(previewMap, workingMap, heightField, 20, 30, 1, 0.5, false);
    EXPECT_EQ(previewMap.cornerAt(20, 30), 0);
    EXPECT_EQ(countKind(previewMap, 1), 129 * 129 - 1);
}

TEST_F(HeightFillTest, DiagonalNeighboursAreConnected) {
    // Passing points only on the two diagonals; every other point fails.
    for (int32_t i = 0; i <= 128; ++i) {
        heightField.at(i, i) = 1.0;
        heightField.at(128 - i, i) = 1.0;
    }
    heightFill(previewMap, workingMap, heightField, 0, 0, 1, 0.5, false);
    for (int32_t x = 0; x <= 128; ++x)
        for (int32_t y = 0; y <= 128; ++y) {
            const bool onDiagonal = (x == y || x + y == 128) && !(x == 0 && y == 0);
            ASSERT_EQ(previewMap.cornerAt(x, y), onDiagonal ? 1 : 0) << "point (" << x << ", " << y << ")";
        }
}

TEST_F(HeightFillTest, FillBelowTakesTheLowGround) {
    // A low valley from (0, 64) to (128, 64) between two high banks.
    for (int32_t x = 0; x <= 128; ++x)
        for (int32_t y = 0; y <= 128; ++y) heightField.at(x, y) = (y >= 60 && y <= 68) ? 0.1 : 0.9;
    heightFill(previewMap, workingMap, heightField, 0, 64, 2, 0.5, true);
    int32_t painted = 0;
    for (int32_t x = 0; x <= 128; ++x)
        for (int32_t y = 0; y <= 128; ++y)
            if (previewMap.cornerAt(x, y) != 0) {
                ++painted;
                EXPECT_TRUE(y >= 60 && y <= 68) << "painted high point (" << x << ", " << y << ")";
            }
    EXPECT_EQ(painted, 129 * 9 - 1);
}

// --- Against the plain fill ------------------------------------------------

// Every kind, both directions, on a cleared and a busy map, from corners,
// edges and inner points, over generated fields, coarse fields with many
// equal heights, and the field of zeros with threshold 0 (every point passes).
// The busy map also holds tiles that disagree with its points and points in
// shapes painting never leaves, as a loaded map may: the fill must repair and
// re-select exactly what paintCorner would.
class FillAgainstReference : public ::testing::TestWithParam<int32_t> {
protected:
    void SetUp() override { resetAll(); }
};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

TEST_P(FillAgainstReference, SameCornersAndTiles) {
    const int32_t kind = GetParam();
    static reference::RefGroundMap expected;
    const int32_t starts[][2] = {{0, 0}, {128, 0}, {0, 128}, {128, 128}, {64, 0}, {0, 77}, {128, 33}, {91, 128}, {57, 63}};
    // The plain fill is slow under the sanitizers: fewer starts there.
    const int32_t startsPerField = kSanitized ? 2 : 3;
    Lcg r{static_cast<uint32_t>(kind) * 7919u + 1u};
    int32_t runs = 0;
    for (int32_t busy = 0; busy < 2; ++busy) {
        workingMap.clear();
        if (busy) {
            paintRandomPoints(workingMap, 100 + kind, 2500);
            for (int32_t i = 0; i < 300; ++i) {
                workingMap.tileAt(r.below(64), r.below(64)) = static_cast<uint8_t>(r.below(256));
                workingMap.cornerAt(r.below(129), r.below(129)) = static_cast<uint8_t>(r.below(5));
            }
        }
        for (int32_t fieldKind = 0; fieldKind < 3; ++fieldKind) {
            if (fieldKind == 0) {
                seedRandom(r.next());
                fillRandomHeightField(heightField);
            } else if (fieldKind == 1) {
                for (int32_t i = 0; i < 129 * 129; ++i) heightField.values[i] = r.below(5) * 0.25;
            } else {
                for (int32_t i = 0; i < 129 * 129; ++i) heightField.values[i] = 0.0;
            }
            for (bool below : {false, true}) {
                // Every point passes the zero field: one start per direction is
                // enough, and under the sanitizers one direction per map.
                if (fieldKind == 2 && kSanitized && below != ((busy + kind) % 2 == 1)) continue;
                const int32_t startCount = fieldKind == 2 ? 1 : startsPerField;
                for (int32_t s = 0; s < startCount; ++s) {
                    const auto& start = starts[(runs + s * 4) % 9];
                    double threshold = 0.0;
                    if (fieldKind == 1)
                        threshold = r.below(5) * 0.25;  // many heights equal it
                    else if (fieldKind == 0)
                        threshold = heightField.at(start[0], start[1]) + (r.below(21) - 10) * 0.01;
                    const int32_t painted =
                        heightFill(previewMap, workingMap, heightField, start[0], start[1], kind, threshold, below);
                    const int32_t expectedPainted = referenceHeightFill(expected, workingMap, heightField, start[0],
                                                                        start[1], kind, threshold, below);
                    ++runs;
                    ASSERT_EQ(painted, expectedPainted) << "points painted";
                    ASSERT_EQ(mapDifference(expected, previewMap), "")
                        << "kind " << kind << (busy ? ", busy map" : ", cleared map") << ", field " << fieldKind
                        << ", fill " << (below ? "below" : "above") << " " << threshold << " from (" << start[0]
                        << ", " << start[1] << ")";
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, FillAgainstReference, ::testing::Values(0, 1, 2, 3, 4));

// --- Preview and commit ----------------------------------------------------

// Builds an interesting preview: a generated field and a busy working map.
void setUpFill(uint32_t seed) {
    seedRandom(seed);
    fillRandomHeightField(heightField);
    paintRandomPoints(workingMap, seed, 800);
    editorState.editMode = EditMode::fill;
    editorState.currentKind = TerrainKind::rock;
    putMouseAtLattice(60.5, 60.5);
}

TEST_F(HeightFillTest, PreviewMatchesThePlainPreviewStep) {
    static reference::RefGroundMap expected;
    setUpFill(11);
    const double positions[][2] = {{60.5, 60.5}, {0.25, 128.75}, {-0.75, -0.75}, {128.9, 3.5}, {33.1, 97.6}};
    int32_t i = 0;
    for (const auto& p : positions) {
        for (int32_t kind : {i % 5, (i + 2) % 5}) {
            viewState.mouseX = static_cast<int32_t>(kClientW / 2 + (p[0] - 0.5) * 16);
            viewState.mouseY = static_cast<int32_t>(kClientH / 2 + (p[1] - 0.5) * 16);
            editorState.currentKind = static_cast<TerrainKind>(kind);
            const int32_t painted = referencePreviewHeightFill(expected, kClientW, kClientH);
            previewFill(kClientW, kClientH);
            EXPECT_EQ(mapDifference(expected, previewMap), "") << "kind " << kind << " at " << p[0] << ", " << p[1];
            EXPECT_EQ(fillState.points, painted) << "kind " << kind << " at " << p[0] << ", " << p[1];
            previewFill(kClientW, kClientH);  // unchanged inputs may reuse the last result
            EXPECT_EQ(mapDifference(expected, previewMap), "") << "kind " << kind << " at " << p[0] << ", " << p[1];
            EXPECT_EQ(fillState.points, painted) << "kept preview, kind " << kind;
        }
        ++i;
    }
}

TEST_F(HeightFillTest, CursorOffTheLatticeShowsAndCommitsTheWorkingMap) {
    static GroundMap before(64, 64);
    setUpFill(12);
    previewFill(kClientW, kClientH);
    ASSERT_NE(mapDifference(workingMap, previewMap), "") << "the set-up should paint something";
    before.copyFrom(workingMap);
    viewState.mouseX = 0;  // upper-left quarter of the window at start: off the lattice
    viewState.mouseY = 0;
    previewFill(kClientW, kClientH);
    EXPECT_EQ(mapDifference(workingMap, previewMap), "") << "preview off the lattice";
    commitFill();
    EXPECT_EQ(mapDifference(before, workingMap), "") << "a click off the lattice changed the map";
    EXPECT_EQ(editorState.editMode, EditMode::view);
}

TEST_F(HeightFillTest, NonFiniteLatticePositionsAreOffTheLattice) {
    setUpFill(13);
    struct Case {
        double zoom;
        int32_t mouseX;
        const char* what;
    };
    const Case cases[] = {
        {0.0, kClientW / 2, "0 / 0, NaN"},
        {0.0, 1, "minus infinity"},
        {1e-300, 1, "far beyond any integer"},
    };
    for (const Case& c : cases) {
        viewState.zoom = c.zoom;
        viewState.mouseX = c.mouseX;
        previewFill(kClientW, kClientH);
        EXPECT_EQ(mapDifference(workingMap, previewMap), "") << c.what;
    }
}

// The window procedure commits whatever the last frame built; any input that
// changed since (no frame ran in between) must be seen by the commit.
TEST_F(HeightFillTest, CommitRebuildsAStalePreview) {
    static reference::RefGroundMap expected;
    struct Change {
        const char* name;
        void (*apply)();
    };
    const Change changes[] = {
        {"nothing", [] {}},
        {"working map painted", [] { workingMap.paintCorner(60, 61, 3); }},
        {"working map cleared", [] { workingMap.clear(); }},
        {"kind chosen", [] { editorState.currentKind = TerrainKind::water; }},
        {"fill-below toggled", [] { editorState.fillBelow = !editorState.fillBelow; }},
        {"height field regenerated", [] { fillRandomHeightField(heightField); }},
        {"one height changed", [] { heightField.at(61, 61) = 1.0 - heightField.at(61, 61); }},
        {"mouse moved", [] { putMouseAtLattice(70.5, 50.5); }},
        {"preview map overwritten", [] { previewMap.clear(); }},
    };
    for (const Change& c : changes) {
        resetAll();
        setUpFill(14);
        previewFill(kClientW, kClientH);
        c.apply();
        referencePreviewHeightFill(expected, kClientW, kClientH);
        commitFill();
        EXPECT_EQ(mapDifference(expected, workingMap), "") << "after: " << c.name;
        EXPECT_EQ(editorState.editMode, EditMode::view) << c.name;
    }
}

TEST_F(HeightFillTest, CommitBeforeAnyPreviewBuildsOne) {
    static reference::RefGroundMap expected;
    setUpFill(15);
    referencePreviewHeightFill(expected, kClientW, kClientH);
    previewMap.clear();  // as at program start: no preview built
    commitFill();
    EXPECT_EQ(mapDifference(expected, workingMap), "");
}

}  // namespace

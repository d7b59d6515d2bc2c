// Shared set-up for the height fill tests.
#pragma once
#include <cstdint>
#include <sstream>
#include <string>

#include "height/height_field.h"
#include "map/ground_map.h"
#include "reference/ground_map_reference.h"
#include "shell/editor_state.h"

namespace filltest {

// A test-local generator, so tests never disturb or depend on the program's.
struct Lcg {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int32_t below(int32_t n) { return static_cast<int32_t>(next() % static_cast<uint32_t>(n)); }
};

// Program-wide records back to their start-up values, height field all 0.
inline void resetAll() {
    initPatternTable();
    workingMap.clear();
    previewMap.clear();
    editorState = EditorState{};
    viewState = ViewState{};
    for (int32_t i = 0; i < heightField.width * heightField.height; ++i) heightField.values[i] = 0.0;
}

// Paints `count` random points of random kinds into `map`.
inline void paintRandomPoints(GroundMap& map, uint32_t seed, int32_t count) {
    Lcg r{seed};
    for (int32_t i = 0; i < count; ++i) map.paintCorner(r.below(129), r.below(129), r.below(5));
}

// Empty when the two maps hold the same grids, else the first difference.
template <class Expected>
std::string mapDifference(const Expected& expected, const GroundMap& got) {
    std::ostringstream out;
    for (int32_t py = 0; py <= 128; ++py)
        for (int32_t px = 0; px <= 128; ++px)
            if (expected.corners[py * 129 + px] != got.cornerAt(px, py)) {
                out << "point (" << px << ", " << py << "): expected kind " << int(expected.corners[py * 129 + px])
                    << ", got " << int(got.cornerAt(px, py));
                return out.str();
            }
    for (int32_t x = 0; x < 64; ++x)
        for (int32_t y = 0; y < 64; ++y)
            if (expected.tiles[x * 64 + y] != got.tileAt(x, y)) {
                out << "cell (" << x << ", " << y << "): expected tile " << int(expected.tiles[x * 64 + y])
                    << ", got " << int(got.tileAt(x, y));
                return out.str();
            }
    return {};
}

// Client size used by every preview in the tests, and the mouse position
// whose lattice position is (lx, ly) at zoom 1 without pan (lx, ly in halves).
constexpr int32_t kClientW = 800;
constexpr int32_t kClientH = 600;
inline void putMouseAtLattice(double lx, double ly) {
    viewState.mouseX = static_cast<int32_t>(kClientW / 2 + (lx - 0.5) * 16);
    viewState.mouseY = static_cast<int32_t>(kClientH / 2 + (ly - 0.5) * 16);
}

}  // namespace filltest

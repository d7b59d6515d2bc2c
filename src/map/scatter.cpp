#include "map/scatter.h"

#include <vector>

uint32_t scatterSeed(const GroundMap& map, LatticePoint press) {
    const int32_t w = map.latticeStride(), h = map.latticeRows();
    if (press.x < 0 || press.y < 0 || press.x >= w || press.y >= h) return 0;
    return static_cast<uint32_t>(press.y) * static_cast<uint32_t>(w) + static_cast<uint32_t>(press.x);
}

void scatterStep(GroundMap& map, LcgRandom& random, LatticePos topLeft, int32_t size, int32_t density, int32_t kind,
                 Symmetry symmetry) {
    const int32_t maxPx = map.latticeStride() - 1, maxPy = map.latticeRows() - 1;
    // The brush's own test of its top-left (written so that NaN fails too);
    // past it trunc(l + k) >= 0 for every k >= 0.
    if (!(topLeft.x > -1.0 && topLeft.y > -1.0)) return;
    // The draws do not depend on the map, so the painted points are chosen
    // first and painted as the brush paints its square.
    static thread_local std::vector<LatticePoint> chosen;
    chosen.clear();
    const int64_t below = int64_t{density} * 32768;
    for (int32_t i = 0; i < size; ++i) {
        const double sx = topLeft.x + i;
        if (sx >= maxPx + 1.0) break;
        const int32_t px = static_cast<int32_t>(sx);
        for (int32_t j = 0; j < size; ++j) {
            const double sy = topLeft.y + j;
            if (sy >= maxPy + 1.0) break;
            if (int64_t{random.draw()} * 100 < below) chosen.push_back({px, static_cast<int32_t>(sy)});
        }
    }
    paintPoints(map, chosen, kind, symmetry);
}

// Tile selection: edge codes for kinds 1 to 3, the kind-4 pattern search, and
// the layered choice of a cell's tile from its nine lattice points. The rules
// themselves live in the tables (tile_tables.cpp); here they are looked up.
#include "map/ground_map.h"
#include "map/tile_tables.h"

#include <array>

// Filled before main as well; initPatternTable writes the same values again.
int32_t kind4PatternTable[256] = {
#define E(i) tiles::kTables.patterns[i]
#define E8(i) E(i), E(i + 1), E(i + 2), E(i + 3), E(i + 4), E(i + 5), E(i + 6), E(i + 7)
#define E64(i) E8(i), E8(i + 8), E8(i + 16), E8(i + 24), E8(i + 32), E8(i + 40), E8(i + 48), E8(i + 56)
    E64(0), E64(64), E64(128), E64(192)
#undef E64
#undef E8
#undef E
};

void initPatternTable() {
    for (int32_t& e : kind4PatternTable) e = -1;
    for (int t = 0; t < 256; ++t)
        if (tiles::kTables.patterns[t] != -1) kind4PatternTable[t] = tiles::kTables.patterns[t];
}

int GroundMap::edgeCode(int32_t x, int32_t y, int32_t kind) const {
    uint64_t lanes = tiles::cellLanes(corners, latticeStride(), x, y);
    switch (kind) {
        case 1: return tiles::kTables.edge[0][tiles::lane(lanes, tiles::kLaneKind1)];
        case 2: return tiles::kTables.edge[1][tiles::lane(lanes, tiles::kLaneKind23)];
        case 3: return tiles::kTables.edge[2][tiles::lane(lanes, tiles::kLaneKind3)];
        case 4: return tiles::kTables.kind4Search[tiles::lane(lanes, tiles::kLaneKind4)];
        default: return 0;
    }
}

void GroundMap::selectTile(int32_t x, int32_t y) {
    tileAt(x, y) = tiles::tileOf(tiles::cellLanes(corners, latticeStride(), x, y));
}

bool tileEverSelected(uint8_t tile) {
    // Each kind's step answers from that kind's mask alone, and a later step
    // that finds nothing keeps the earlier answer, so every entry of a step's
    // table is reached by points of that kind alone (the rest 0); 176 by all 0.
    // An entry 0 is the tables' "nothing": no selection ends in tile 0.
    static const std::array<bool, 256> selectable = [] {
        std::array<bool, 256> set{};
        for (int m = 0; m < 512; ++m) {
            for (int k = 0; k < 3; ++k) set[tiles::kTables.family[k][m]] = true;
            set[tiles::kTables.kind4Search[m]] = true;
        }
        set[0] = false;
        set[176] = true;
        return set;
    }();
    return selectable[tile];
}

// Tile decoding: rebuild a cell's lattice points from its tile index when a
// map is loaded, as far as the tile tells them.
#include "map/ground_map.h"
#include "map/tile_tables.h"

void GroundMap::decodeTile(int32_t x, int32_t y) {
    const uint8_t t = tileAt(x, y);
    const int kind = tiles::kTables.decodeKind[t];
    const int pattern = tiles::kTables.decodePattern[t];
    if (kind == 0) return;
    for (int dx = 0; dx < 3; ++dx)
        for (int dy = 0; dy < 3; ++dy) {
            uint8_t& p = cornerAt(2 * x + dx, 2 * y + dy);
            if (pattern & (1 << (dx + 3 * dy))) {
                // A kind-2 tile never lowers the kind 3 a neighbour wrote.
                if (!(kind == 2 && p == 3)) p = static_cast<uint8_t>(kind);
            } else if (kind == 3) {
                // Kind 3 lies only amid kind 2: the rest of its cell is 2.
                p = 2;
            }
        }
}

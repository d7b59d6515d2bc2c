// Which terrain each tile of the tile atlas shows: the kinds of its nine
// lattice points (bit dx + 3 * dy, top row first), as the map loader reads
// tiles back into points. Header-only, over the auto-tiler's public tile
// shapes (src/map/tile_shapes.h, built into the tool from src/map).
#pragma once
#include <cstdint>

#include "map/tile_shapes.h"

namespace art {

// Fills kinds[9] and returns true for every tile that shows terrain; false
// (kinds untouched) for a tile no rule gives a kind. The kinds come from the
// editor's own decoding tables, so the art always shows what loading a map
// reads back. Tile 192, the corner overlay's picture of kind 2, is drawn as
// kind 2 over the whole cell.
inline bool tilePoints(int32_t tile, int32_t kinds[9]) {
    if (tile < 0 || tile > 255) return false;
    const TileShape shape = tileShape(tile);
    int32_t kind = shape.kind;
    int32_t pattern = shape.pattern;
    if (tile == 192) kind = 2, pattern = 0x1FF;
    if (kind == 0) return false;
    // Kind 3 only ever lies amid kind 2, so its tiles sit on kind 2, not on plain ground.
    const int32_t rest = kind == 3 ? 2 : 0;
    for (int32_t b = 0; b < 9; ++b) kinds[b] = (pattern >> b) & 1 ? kind : rest;
    return true;
}

}  // namespace art

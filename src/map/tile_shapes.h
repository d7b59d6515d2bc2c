// What each tile index shows, as loading a map reads it back into lattice
// points. Public: the art tool (tools/) draws the atlas from it, so the art
// always shows what loading a map reads back.
#pragma once
#include <cstdint>

struct TileShape {
    int32_t kind;     // terrain kind 1..4 the tile shows, 0 when it shows none
    int32_t pattern;  // the cell's points of that kind, bit dx + 3 * dy
};

// The shape decodeTile reads from tile index `tile` (0..255); called by the
// art tool for every tile of the atlas.
TileShape tileShape(int32_t tile);

// Painting's memory of a map (private to src/map): what painting last left in
// the grids, so that a paint can skip cells that already show their tile, and
// the batch's record of the cells it touched. Owned by GroundMap, allocated
// and copied with its grids (ground_map.cpp), read and written only by
// corner_paint.cpp.
#pragma once
#include <cstdint>

struct PaintShadow {
    // The points and tiles as painting last left them, in the layouts of
    // GroundMap::corners and GroundMap::tiles. Writing the grids directly
    // needs no care: a paint that meets such a write takes the new bytes.
    uint8_t* corners = nullptr;
    uint8_t* tiles = nullptr;
    // Per column of cells, bit y set where the shadow tile of cell (x, y) is
    // the selection of its shadow points (kept for maps up to 64 cells high).
    uint64_t* selected = nullptr;  // `width` words
    bool allSelected = true;       // every bit of `selected` set: from clear() until painting meets a direct write
    // The batch's marks: byte cx * (height + 1) + cy is 1 once the batch has
    // written a point (px, py) with px / 2 = cx and py / 2 = cy.
    uint8_t* touched = nullptr;
};

// A plain ground map written straight from the auto-tiler's rules, step by
// step, with nothing cached or skipped. Slow on purpose: the production map
// is checked against it, cell by cell and point by point.
#pragma once
#include <cstdint>
#include <vector>

namespace reference {

// Kind-4 pattern table of the reference: -1 or the 9-bit pattern per tile.
extern const int32_t kind4Patterns[256];

struct RefGroundMap {
    int32_t width;                 // cells across
    int32_t height;                // cells down
    std::vector<uint8_t> tiles;    // cell (x, y) at x * height + y
    std::vector<uint8_t> corners;  // point (px, py) at py * (2 * width + 1) + px

    RefGroundMap(int32_t w = 64, int32_t h = 64);

    void clear();
    int edgeCode(int32_t x, int32_t y, int32_t kind) const;
    void selectTile(int32_t x, int32_t y);
    void paintCorner(int32_t px, int32_t py, int32_t kind);
    void repairCell(int32_t x, int32_t y, int32_t kind);
    void decodeTile(int32_t x, int32_t y);

    uint8_t& corner(int32_t px, int32_t py) { return corners[py * (2 * width + 1) + px]; }
    uint8_t corner(int32_t px, int32_t py) const { return corners[py * (2 * width + 1) + px]; }
    uint8_t& tile(int32_t x, int32_t y) { return tiles[x * height + y]; }
};

}  // namespace reference

// Corner painting: set a lattice point, repair the cells around it so that
// kinds meet only in shapes the tile families show, and re-select their tiles.
#include "map/ground_map.h"

namespace {
constexpr int kPlusMask = 0x0BA;  // side midpoints and centre
// Kinds that may stay in a cell painted with kind k, as a bit set over kinds.
constexpr int kAllowed[5] = {0, 0x3, 0xD, 0xC, 0x11};
// Kind that a repaired point receives when kind k is painted.
constexpr int kRepairKind[5] = {0, 0, 0, 2, 0};
}  // namespace

void GroundMap::paintCorner(int32_t px, int32_t py, int32_t kind) {
    cornerAt(px, py) = static_cast<uint8_t>(kind);
    int32_t cx = px / 2, cy = py / 2;
    static const int kCells[4][2] = {{0, 0}, {-1, 0}, {0, -1}, {-1, -1}};
    for (const auto& d : kCells) {
        int32_t x = cx + d[0], y = cy + d[1];
        if (x < 0 || y < 0 || x >= width || y >= height) continue;
        repairCell(x, y, kind);
    }
}

void GroundMap::repairCell(int32_t x, int32_t y, int32_t kind) {
    int c = kind == 0 ? 0 : edgeCode(x, y, kind);
    if (c != 0) {
        for (int dx = 0; dx < 3; ++dx)
            for (int dy = 0; dy < 3; ++dy) {
                int32_t px = 2 * x + dx, py = 2 * y + dy;
                int v = cornerAt(px, py);
                int bit = 1 << (dx + 3 * dy);
                bool repair;
                if (kind == 4)
                    repair = (bit & kPlusMask) && v != 0 && v != 4;
                else
                    repair = !(kAllowed[kind] & (1 << v)) && ((bit & kPlusMask) || kind == 3 || v == 4);
                if (repair) paintCorner(px, py, kRepairKind[kind]);
            }
    }
    for (int i = -1; i <= 1; ++i)
        for (int j = -1; j <= 1; ++j) {
            int32_t nx = x + i, ny = y + j;
            if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
            selectTile(nx, ny);
        }
}

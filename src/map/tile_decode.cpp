// Tile decoding: rebuild a cell's lattice points from its tile index when a
// map is loaded, as far as the tile tells them.
#include "map/ground_map.h"

namespace {
// Points of an edge code 1..15: the union of its sides, plus the centre
// unless the code names a single side.
int codePattern(int code) {
    int p = 0;
    if (code & 1) p |= 0x007;
    if (code & 2) p |= 0x124;
    if (code & 4) p |= 0x1C0;
    if (code & 8) p |= 0x049;
    if (code != 1 && code != 2 && code != 4 && code != 8) p |= 0x010;
    return p;
}

// The kind and point pattern a tile stands for; false when it has no kind.
bool tileShape(int t, int& kind, int& pattern) {
    if (kind4PatternTable[t] != -1) {
        kind = 4;
        pattern = kind4PatternTable[t];
        return true;
    }
    // Tiles 60..71: two adjacent sides without the centre, for kinds 1..3.
    static const int kTwoSides[4] = {0x127, 0x1E4, 0x04F, 0x1C9};
    if (t >= 60 && t <= 71) {
        kind = 1 + (t - 60) / 4;
        pattern = kTwoSides[(t - 60) % 4];
        return true;
    }
    if (t == 128) {
        kind = 1;
        pattern = 0x010;
        return true;
    }
    if (t >= 129 && t <= 143) {
        kind = 1;
        pattern = codePattern(t - 128);
        return true;
    }
    if (t >= 177 && t <= 191) {
        kind = 2;
        pattern = codePattern(t - 176);
        return true;
    }
    if (t >= 193 && t <= 207) {
        kind = 3;
        pattern = codePattern(t - 192);
        return true;
    }
    return false;
}
}  // namespace

void GroundMap::decodeTile(int32_t x, int32_t y) {
    int kind, pattern;
    if (!tileShape(tileAt(x, y), kind, pattern)) return;
    for (int dx = 0; dx < 3; ++dx)
        for (int dy = 0; dy < 3; ++dy) {
            uint8_t& p = cornerAt(2 * x + dx, 2 * y + dy);
            if (pattern & (1 << (dx + 3 * dy))) {
                if (!(kind == 2 && p == 3)) p = static_cast<uint8_t>(kind);
            } else if (kind == 3) {
                p = 2;
            }
        }
}

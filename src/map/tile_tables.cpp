// The auto-tiler's tables, computed by the compiler from the selection rules.
#include "map/tile_tables.h"

#include "map/tile_shapes.h"

namespace tiles {
namespace {

constexpr int kTopSide = 0x007, kRightSide = 0x124, kBottomSide = 0x1C0, kLeftSide = 0x049;
constexpr int kCentre = 0x010;
constexpr int kMatchMask = 0x16D;        // corners and left/right midpoints
constexpr int kMatchWithCentre = 0x17D;  // the same and the centre
constexpr int kTopMidpoint = 0x002;

// The 41 tiles that show kind-4 shapes and the 9-bit patterns of their kind-4 points.
constexpr int32_t patternOf(int t) {
    switch (t) {
        case 80: return 0x00D;  case 81: return 0x164;  case 82: return 0x014;  case 83: return 0x06D;
        case 84: return 0x04D;  case 85: return 0x015;  case 86: return 0x010;  case 87: return 0x011;
        case 88: return 0x004;  case 89: return 0x005;  case 90: return 0x160;  case 91: return 0x14D;
        case 92: return 0x169;  case 93: return 0x050;  case 94: return 0x150;  case 95: return 0x110;
        case 96: return 0x01D;  case 97: return 0x134;  case 98: return 0x170;  case 99: return 0x041;
        case 101: return 0x024; case 102: return 0x010; case 144: return 0x120; case 145: return 0x124;
        case 146: return 0x125; case 147: return 0x100; case 148: return 0x040; case 149: return 0x140;
        case 150: return 0x16C; case 151: return 0x049; case 152: return 0x009; case 153: return 0x001;
        case 154: return 0x07D; case 155: return 0x019; case 156: return 0x01D; case 157: return 0x149;
        case 158: return 0x16D; case 159: return 0x1FF; case 168: return 0x048; case 172: return 0x051;
        case 176: return 0x000;
        default: return -1;
    }
}

constexpr int bitCount(int v) {
    int n = 0;
    for (; v; v &= v - 1) ++n;
    return n;
}

// Edge code of a kind mask: fully covered sides, then the special codes.
constexpr int edgeCodeOf(int kind, int m) {
    int code = 0;
    if ((m & kTopSide) == kTopSide) code += 1;
    if ((m & kRightSide) == kRightSide) code += 2;
    if ((m & kBottomSide) == kBottomSide) code += 4;
    if ((m & kLeftSide) == kLeftSide) code += 8;
    if (kind == 1 && code == 0) return (m & kCentre) ? 16 : 0;
    if (!(m & kCentre)) {
        if (code == 3) return 17;
        if (code == 6) return 18;
        if (code == 9) return 19;
        if (code == 12) return 20;
    }
    return code;
}

// The kind-4 tile search: the closest covering pattern (lowest tile among
// equals), then the last tile with the same match points and the cell's
// centre, then 156 -> 96 when the top midpoint is set; 0 for the empty pattern.
constexpr int kind4SearchOf(const int32_t (&patterns)[256], int m) {
    int best = 0, bestScore = 10;
    for (int i = 0; i < 256; ++i) {
        int p = patterns[i];
        if (p == -1 || (m & kMatchMask & ~p)) continue;
        int score = bitCount((p ^ m) & kMatchMask);
        if (score < bestScore) {
            best = i;
            bestScore = score;
        }
    }
    int target = (patterns[best] & kMatchMask) | (m & kCentre);
    for (int i = 0; i < 256; ++i)
        if (patterns[i] != -1 && (patterns[i] & kMatchWithCentre) == target) best = i;
    if (best == 156 && (m & kTopMidpoint)) best = 96;
    return patterns[best] == 0 ? 0 : best;
}

constexpr int familyTileOf(int kind, int code) {
    if (code == 0) return 0;
    if (code == 16) return 128;  // kind 1 only
    if (code >= 17) return 60 + 4 * (kind - 1) + (code - 17);
    const int base[4] = {0, 128, 176, 192};
    return base[kind] + code;
}

// Points of an edge code 1..15: its sides, plus the centre unless the code names one side.
constexpr int codePatternOf(int code) {
    int p = 0;
    if (code & 1) p |= kTopSide;
    if (code & 2) p |= kRightSide;
    if (code & 4) p |= kBottomSide;
    if (code & 8) p |= kLeftSide;
    if (code != 1 && code != 2 && code != 4 && code != 8) p |= kCentre;
    return p;
}

constexpr Tables build() {
    Tables t{};
    for (int i = 0; i < 256; ++i) t.patterns[i] = patternOf(i);
    for (int idx = 0; idx < 125; ++idx) {
        uint64_t lanes = 0;
        for (int i = 0, rest = idx; i < 3; ++i, rest /= 5) {
            const int v = rest % 5;
            for (int k = 1; k <= 4; ++k)
                if (kMaskValues[k] >> v & 1) lanes |= uint64_t{1} << (kEdgeLane[k] + i);
        }
        t.rowLanes[idx] = lanes;
    }
    for (int m = 0; m < 512; ++m) {
        for (int k = 1; k <= 3; ++k) {
            int code = edgeCodeOf(k, m);
            t.edge[k - 1][m] = static_cast<uint8_t>(code);
            t.family[k - 1][m] = static_cast<uint8_t>(familyTileOf(k, code));
        }
        int r = kind4SearchOf(t.patterns, m);
        t.kind4Search[m] = static_cast<uint8_t>(r);
        t.edge[3][m] = static_cast<uint8_t>(r);
        t.family[3][m] = static_cast<uint8_t>(r);
    }
    for (int k = 1; k <= 4; ++k) {
        t.needsSide[k - 1] = true;
        for (int m = 0; m < 512; ++m) {
            const bool side = (m & kTopSide) == kTopSide || (m & kRightSide) == kRightSide ||
                              (m & kBottomSide) == kBottomSide || (m & kLeftSide) == kLeftSide;
            if (t.edge[k - 1][m] && !side) t.needsSide[k - 1] = false;
        }
    }
    // Decoding: tiles 60..71 are two adjacent sides without the centre for
    // kinds 1..3; the edge-code families; kind 4 from the pattern table last.
    const int twoSides[4] = {0x127, 0x1E4, 0x04F, 0x1C9};
    for (int tile = 0; tile < 256; ++tile) {
        int kind = 0, pattern = 0;
        if (tile >= 60 && tile <= 71) kind = 1 + (tile - 60) / 4, pattern = twoSides[(tile - 60) % 4];
        if (tile == 128) kind = 1, pattern = kCentre;
        if (tile >= 129 && tile <= 143) kind = 1, pattern = codePatternOf(tile - 128);
        if (tile >= 177 && tile <= 191) kind = 2, pattern = codePatternOf(tile - 176);
        if (tile >= 193 && tile <= 207) kind = 3, pattern = codePatternOf(tile - 192);
        if (t.patterns[tile] != -1) kind = 4, pattern = t.patterns[tile];
        t.decodeKind[tile] = static_cast<uint8_t>(kind);
        t.decodePattern[tile] = static_cast<uint16_t>(pattern);
    }
    return t;
}

}  // namespace

constexpr Tables kTables = build();

// Selection runs the kind-4 search only when a point holds 4; the table may
// answer for every mask because the search of the empty mask finds nothing.
static_assert(kTables.kind4Search[0] == 0, "kind-4 search of an empty cell must find no tile");

}  // namespace tiles

TileShape tileShape(int32_t tile) {
    const uint8_t t = static_cast<uint8_t>(tile);
    return TileShape{tiles::kTables.decodeKind[t], tiles::kTables.decodePattern[t]};
}
